#pragma once

#include "ProgramLines.h"
#include "TransferJob.h"
#include "link/LineWait.h"

#include <QTimer>

namespace kvt {

// Sends a program block to a KVT31/KVT33 or four-model controller: an opening
// command where the controller needs one, every line's command with a pause
// after every line (sent or skipped), then "END". No reply is awaited; how a
// reply affects a pause is the plan's wait kind. A line that cannot leave the
// port within the send limit (hardware handshake with the controller off)
// stops the download as unanswered instead of waiting for ever.
class BlockDownload : public TransferJob {
    Q_OBJECT
public:
    struct Plan {
        QString opening;     // "S00" ...; empty: the lines go first
        LineWait::Kind wait; // Fixed on the keypad models, Quiet on the four models
        milliseconds pause;  // after the opening command and after every line
        milliseconds sendLimit;
        milliseconds watchdogAfterEnd{0}; // 0: none armed
        QByteArray cancelBytes;           // what tells the controller it was cancelled
    };

    BlockDownload(SerialLink& link, QList<program::ProgramLine> lines, Plan plan,
                  QObject* parent = nullptr);

    void start() override;
    void receive(const QByteArray&) override {}
    // Nothing after the character going out, then the plan's cancel bytes.
    void cancel() override;

    int total() const { return m_total; }
    const QString& opening() const { return m_plan.opening; }
    int sent() const { return m_sent; }

protected:
    void wrapUp() override;

private:
    enum class Step { Opening, Line, End };
    void nextPass();
    void send(const QString& command, Step step);

    QList<program::ProgramLine> m_lines;
    Plan m_plan;
    LineWait m_pause;
    QTimer m_sendLimit;
    qsizetype m_next = 0;
    int m_total = 0;
    int m_sent = 0;
};

} // namespace kvt
