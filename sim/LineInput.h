#pragma once

#include <QByteArray>
#include <QObject>

#include <memory>

class QSocketNotifier;

namespace kvt::sim {

// Lines typed on a file descriptor, kvtsim's standard input, taken as they
// arrive without ever blocking the event loop. At its end (end of file, or a
// terminal kvtsim may not read from the background with SIGTTIN ignored) the
// descriptor is no longer watched, so it neither ends kvtsim nor spins it.
class LineInput : public QObject {
    Q_OBJECT
public:
    // A longer line is dropped whole rather than cut into a wrong one.
    static constexpr qsizetype maxLineLength = 4096;

    // Does nothing for a descriptor that is not open.
    explicit LineInput(int fd, QObject* parent = nullptr);
    ~LineInput() override;

Q_SIGNALS:
    // Without its line end; the last line may have none.
    void lineRead(const QByteArray& line);
    void lineTooLong();

private:
    void readInput();
    void takeLines();

    int m_fd;
    QByteArray m_pending;
    bool m_skippingLine = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace kvt::sim
