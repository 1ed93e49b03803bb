#pragma once

#include "ReceiveLimit.h"
#include "TransferJob.h"
#include "link/Timings.h"

#include <QString>
#include <QTimer>

namespace kvt {

enum class SendResult;

// Fetches stored program n: sends "DPn", collects the listing, strips the
// echo and the prompts, and reports the growing program text. Ends at "M30",
// at the time limit (counted once, from the end of the command), when the
// controller sends far too much, or when the link fails.
class Kvt7Upload : public TransferJob {
    Q_OBJECT
public:
    static constexpr qsizetype bufferLimit = receiveLimitBytes;

    Kvt7Upload(SerialLink& link, int program, milliseconds limit, QObject* parent = nullptr);

    void start() override;
    void receive(const QByteArray& data) override;
    bool keepsReceived() const override { return isRunning(); }

    int program() const { return m_program; }
    // "M31,n", a line break and the listing as far as it has arrived.
    QString programText() const;

Q_SIGNALS:
    void programChanged(const QString& text);

protected:
    void wrapUp() override;

private:
    void onSent(SendResult result);
    void process();
    void onTimeLimit();

    int m_program;
    milliseconds m_limit;
    QTimer m_timeLimit;
    QString m_uploadBuffer;
    bool m_echoStripped = false;
    qsizetype m_received = 0;
};

} // namespace kvt
