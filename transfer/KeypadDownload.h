#pragma once

#include "ProgramLines.h"
#include "TransferJob.h"
#include "link/LineWait.h"

#include <QTimer>

namespace kvt {

// Sends a program to a KVT31/KVT33 whose keypad the operator has put into
// "Receiving Program": every line's command, a fixed pause after every line
// (sent or skipped), then "END". No reply is awaited; a reply neither ends
// nor stalls a pause. A line that cannot leave the port within the watchdog
// time (hardware handshake with the controller off) stops the download as
// unanswered instead of waiting for ever.
class KeypadDownload : public TransferJob {
    Q_OBJECT
public:
    KeypadDownload(SerialLink& link, QList<program::ProgramLine> lines, milliseconds pause,
                   milliseconds sendLimit, QObject* parent = nullptr);

    void start() override;
    bool receive(const QByteArray&) override { return false; }

    int total() const { return m_total; }
    int sent() const { return m_sent; }

protected:
    void wrapUp() override;

private:
    void nextPass();
    void send(const QString& command, bool last);

    QList<program::ProgramLine> m_lines;
    LineWait m_pause;
    QTimer m_sendLimit;
    milliseconds m_pauseLength;
    qsizetype m_next = 0;
    int m_total = 0;
    int m_sent = 0;
};

} // namespace kvt
