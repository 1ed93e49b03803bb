#pragma once

#include "ProgramLines.h"
#include "TransferJob.h"

#include <optional>

namespace kvt {

enum class SendResult;

// Sends a program to the KVT7 one line at a time, each line after the
// controller answered the one before. Any received text counts as the
// answer; it is still shown among the replies.
class Kvt7Download : public TransferJob {
    Q_OBJECT
public:
    Kvt7Download(SerialLink& link, QList<program::ProgramLine> lines, QObject* parent = nullptr);

    void start() override;
    bool receive(const QByteArray& data) override;
    // Stopped before the failure box opens, so a late answer cannot send
    // another line while the operator reads it.
    void watchdogExpired() override { stop(TransferOutcome::NoReply); }

    int total() const { return int(m_lines.size()); }
    int answered() const { return m_next; }
    // The line that was sent last and is still waiting for its answer, if any.
    std::optional<program::ProgramLine> pendingLine() const;

private:
    void sendNext();
    void onSent(SendResult result);
    void advanceIfAnswered();

    QList<program::ProgramLine> m_lines;
    int m_next = 0;
    bool m_sent = false;
    bool m_replyReceived = false;
};

} // namespace kvt
