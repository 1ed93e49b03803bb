#pragma once

#include "ProgramLines.h"
#include "TransferJob.h"
#include "link/Timings.h"

#include <QTimer>

#include <optional>

namespace kvt {

enum class SendResult;

// Sends a program to the KVT7 one line at a time, each line after the
// controller answered the one before. The reply's words are not examined
// (it is still shown among the replies), but it must belong to the line:
// it has to start after the line's last character went out, and the line
// must then have been quiet for a while, so the tail of one line's reply is
// never taken for the answer to the next.
class Kvt7Download : public TransferJob {
    Q_OBJECT
public:
    Kvt7Download(SerialLink& link, QList<program::ProgramLine> lines, milliseconds replyQuiet,
                 QObject* parent = nullptr);

    void start() override;
    void receive(const QByteArray& data) override;
    // Stopped before the failure box opens, so a late answer cannot send
    // another line while the operator reads it.
    void watchdogExpired() override { stop(TransferOutcome::NoReply); }

    int total() const { return int(m_lines.size()); }
    int answered() const { return m_next; }
    // The line that was sent last and is still waiting for its answer, if any.
    std::optional<program::ProgramLine> pendingLine() const;

protected:
    void wrapUp() override { m_quiet.stop(); }

private:
    void sendNext();
    void onWritten();
    void onSent(SendResult result);
    void advanceIfAnswered();

    QList<program::ProgramLine> m_lines;
    QTimer m_quiet;
    int m_next = 0;
    bool m_awaitingWrite = false;
    bool m_sent = false;
    bool m_replyStarted = false;
    // Received while the line was still going out: the end of an earlier
    // reply, which has also switched the watchdog off.
    bool m_staleDuringSend = false;
};

} // namespace kvt
