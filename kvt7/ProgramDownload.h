#pragma once

#include "ProgramLines.h"

#include <QObject>

namespace kvt {

class SerialLink;
enum class SendResult;

// Sends a program to the KVT7 one line at a time, each line after the
// controller answered the one before. Any received text counts as the answer.
class ProgramDownload : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Complete,
        NoReply,    // the watchdog declared the link dead while a line waited
        SendFailed, // the port refused a line
        LinkLost,   // the device went away
        Abandoned   // the window closed
    };

    ProgramDownload(SerialLink& link, QList<program::DownloadLine> lines,
                    QObject* parent = nullptr);

    void start();
    // The window saw received text while the download runs.
    void replyReceived();
    // The link failed underneath: stop at once and send nothing more.
    void stop(Outcome outcome);

    int total() const { return int(m_lines.size()); }
    int answered() const { return m_next; }
    bool running() const { return m_running; }
    // The line that was sent last and is still waiting for its answer, if any.
    std::optional<program::DownloadLine> pendingLine() const;

Q_SIGNALS:
    void progress(int answered, int total);
    void finished(Outcome outcome);

private:
    void sendNext();
    void onSent(SendResult result);
    void advanceIfAnswered();
    void finish(Outcome outcome);

    SerialLink& m_link;
    QList<program::DownloadLine> m_lines;
    int m_next = 0;
    bool m_running = false;
    bool m_sent = false;
    bool ReplyReceived = false;
};

} // namespace kvt
