#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

namespace kvt {

// Every byte that went over one window's port, in order, with the time and
// what sent it: for the operator watching the line, and for a bug report.
// Recording is cheap and never waits; whoever shows the log reads it at its
// own pace.
class TrafficLog : public QObject {
    Q_OBJECT
public:
    enum class Direction { Sent, Received };
    struct Entry {
        quint64 number; // counts from 1 over the whole run, cleared entries included
        qint64 ms;      // since the log started
        Direction direction;
        QString source; // "download", "manual" ...; "received" for what came in
        QByteArray bytes;
    };

    static constexpr qsizetype defaultLimit = 100'000;

    explicit TrafficLog(QObject* parent = nullptr);
    ~TrafficLog() override;

    // What one read of the port returned.
    void recordReceived(const QByteArray& bytes);
    // Received bytes that nobody used and that were not kept: one note,
    // "n bytes nobody waited for were dropped", counts a whole run of them.
    void recordDropped(qint64 bytes);
    // The characters of one command as each is written; they share one entry,
    // stamped with the first one's time, until endCommand() or a reply comes.
    void recordSent(const QString& source, const QByteArray& bytes);
    void endCommand();

    // The newest entries, at most limit() of them, oldest first.
    const std::deque<Entry>& entries() const { return m_entries; }
    qsizetype limit() const { return m_limit; }
    void setLimit(qsizetype limit);
    quint64 lastNumber() const { return m_next - 1; }
    void clear();

    // Also writes every entry from now on to path, as lines of text.
    bool writeTo(const QString& path, QString* error);

    // One entry as a line: time, direction, source, then the bytes as text
    // with control characters made visible, or as hex.
    // shownBytes cuts a long entry for the screen, saying how long it is.
    static QString line(const Entry& entry, bool hex = false, qsizetype shownBytes = -1);
    static QString visible(const QByteArray& bytes);
    static QString hex(const QByteArray& bytes);

Q_SIGNALS:
    void cleared();

private:
    void push(Direction direction, const QString& source, const QByteArray& bytes);
    void closeOpenEntry();

    QElapsedTimer m_clock;
    bool m_entryOpen = false;
    std::deque<Entry> m_entries;
    qsizetype m_limit = defaultLimit;
    quint64 m_next = 1;
    qint64 m_droppedBytes = 0; // counted by the open note
    QFile m_file;
    QTimer m_flush;
};

} // namespace kvt
