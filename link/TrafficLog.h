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
// own pace. However much the line carries, the log in memory and its file
// stay within fixed sizes: the oldest entries go first, and what went is
// counted so the reader knows the log is not whole.
class TrafficLog : public QObject {
    Q_OBJECT
public:
    // A note is the log's own word about the line, not bytes that crossed it.
    enum class Direction { Sent, Received, Note };
    struct Entry {
        quint64 number; // counts from 1 over the whole run, cleared entries included
        qint64 ms;      // since the log started
        Direction direction;
        QString source; // "download", "manual" ...; "received" for what came in
        QByteArray bytes;
    };

    static constexpr qsizetype defaultLimit = 100'000;
    // Enough for hours of ordinary transfers; a flood of many megabytes a
    // minute is cut to its newest few seconds rather than eating memory.
    static constexpr qsizetype defaultByteLimit = 8 * 1024 * 1024;
    // Pieces of one burst of input share an entry up to this size, so a flood
    // costs one entry per few kilobytes, not one per read of the port.
    static constexpr qsizetype burstBytes = 4096;
    // Input after a pause this long starts an entry of its own, so a reply
    // that came late is seen with its own time.
    static constexpr qint64 defaultBurstGapMs = 50;
    // The file keeps the newest traffic, between one and two caps of it with
    // the rotated file, however long the program runs.
    static constexpr qint64 defaultFileCap = 16 * 1024 * 1024;

    explicit TrafficLog(QObject* parent = nullptr);
    ~TrafficLog() override;

    // What one read of the port returned; joins the entry of the input just
    // before it when nothing was sent between and no pause came.
    void recordReceived(const QByteArray& bytes);
    // Received bytes that nobody used and that were not kept: one note,
    // "dropped n bytes nobody waited for", counts a whole run of them.
    void recordDropped(qint64 bytes);
    // The characters of one command as each is written; they share one entry,
    // stamped with the first one's time, until endCommand() or a reply comes.
    void recordSent(const QString& source, const QByteArray& bytes);
    void endCommand();

    // The newest entries, at most limit() of them and, but for the newest
    // entry, at most byteLimit() bytes; oldest first.
    const std::deque<Entry>& entries() const { return m_entries; }
    qsizetype limit() const { return m_limit; }
    void setLimit(qsizetype limit);
    qsizetype byteLimit() const { return m_byteLimit; }
    void setByteLimit(qsizetype bytes);
    void setBurstGap(qint64 ms) { m_burstGapMs = ms; }
    quint64 lastNumber() const { return m_next - 1; }
    // Clears what is shown; the totals below go on counting.
    void clear();

    // Entries and bytes the limits pushed out since the last clear().
    quint64 droppedEntries() const { return m_droppedEntries; }
    qint64 droppedBytes() const { return m_droppedBytes; }
    // Every byte of the run, whatever the limits kept.
    qint64 sentBytes() const { return m_sentBytes; }
    qint64 receivedBytes() const { return m_receivedBytes; }

    // Also writes every entry from now on to path, as lines of text. Before
    // the file would pass fileCap bytes it becomes path.1, replacing the one
    // before, and path starts again empty.
    bool writeTo(const QString& path, QString* error);
    void setFileCap(qint64 bytes) { m_fileCap = qMax<qint64>(bytes, 1); }

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
    void append(const QByteArray& bytes);
    void closeOpenEntry();
    void trim();
    void writeLine(const QByteArray& text);
    void rotate();

    QElapsedTimer m_clock;
    bool m_entryOpen = false;
    std::deque<Entry> m_entries;
    qsizetype m_limit = defaultLimit;
    qsizetype m_byteLimit = defaultByteLimit;
    qsizetype m_heldBytes = 0;
    qint64 m_burstGapMs = defaultBurstGapMs;
    qint64 m_lastReceivedMs = 0;
    quint64 m_next = 1;
    quint64 m_droppedEntries = 0;
    qint64 m_droppedBytes = 0;
    qint64 m_sentBytes = 0;
    qint64 m_receivedBytes = 0;
    qint64 m_unwantedBytes = 0; // counted by the open note of dropped input
    QFile m_file;
    qint64 m_fileBytes = 0;
    qint64 m_fileCap = defaultFileCap;
    QTimer m_flush;
};

} // namespace kvt
