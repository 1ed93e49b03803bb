#pragma once

#include "link/Timings.h"

#include <QObject>
#include <QTimer>

namespace kvt {

class SerialLink;
enum class SendResult;

// Fetches stored program n: sends "DPn", collects the listing, strips the
// echo and the prompts, and hands the growing program text to the editor.
// Ends at "M30", at the time limit (counted once, from the end of the
// command), when the controller sends far too much, or when the link fails.
class ProgramUpload : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Complete, TimedOut, Overflow, NotSent, LinkLost, Abandoned };

    static constexpr qsizetype bufferLimit = 1024 * 1024;

    ProgramUpload(SerialLink& link, int program, milliseconds limit, QObject* parent = nullptr);

    void start();
    // Everything the port delivers while UploadMode is on.
    void receive(const QByteArray& data);
    void stop(Outcome outcome);

    int program() const { return m_program; }
    bool running() const { return m_running; }
    // On while the listing is being collected: received text is ours, not the display's.
    bool UploadMode = false;
    QString UploadBuffer;

Q_SIGNALS:
    // The program text the editor shows, as it grows.
    void programChanged(const QString& text);
    void finished(Outcome outcome, const QString& text);

private:
    void onSent(SendResult result);
    void process();
    void onTimeLimit();
    void finish(Outcome outcome);

    SerialLink& m_link;
    int m_program;
    milliseconds m_limit;
    QTimer m_timeLimit;
    bool m_running = false;
    bool m_echoStripped = false;
    qsizetype m_received = 0;
};

} // namespace kvt
