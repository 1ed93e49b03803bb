#pragma once

#include "TransferOutcome.h"

#include <QByteArray>
#include <QObject>

namespace kvt {

class SerialLink;
enum class SendResult;

// One download or upload on one window's link. It hears what the link
// reports (received data, the watchdog, a lost link) for itself, from its
// construction on, ahead of the waits it makes; it decides what to send,
// what to wait for and when it is done.
class TransferJob : public QObject {
    Q_OBJECT
public:
    explicit TransferJob(SerialLink& link, QObject* parent = nullptr);

    virtual void start() = 0;
    // Received data while the job runs.
    virtual void receive(const QByteArray& data) = 0;
    // True while the job takes what arrives for itself, so the window must
    // not show it as a reply.
    virtual bool keepsReceived() const { return false; }
    // The watchdog declared the link dead.
    virtual void watchdogExpired() {}
    // The operator's Cancel; jobs without one ignore it.
    virtual void cancel() {}
    // The link failed underneath or the window closes: stop at once and
    // send nothing more.
    void stop(TransferOutcome outcome);

    bool isRunning() const { return m_running; }
    TransferOutcome outcome() const { return m_outcome; }

Q_SIGNALS:
    // Lines sent of lines to send.
    void progress(int sent, int total);
    void finished(TransferOutcome outcome);

protected:
    SerialLink& link() { return m_link; }
    void setRunning() { m_running = true; }
    // Ends the job once; later calls are ignored.
    void finish(TransferOutcome outcome);
    // Stops the job's own timers and waits before finished() is emitted.
    virtual void wrapUp() {}
    // Ends the job when a command could not go out; true when it did.
    bool finishIfNotSent(SendResult result);

private:
    SerialLink& m_link;
    bool m_running = false;
    TransferOutcome m_outcome = TransferOutcome::Abandoned;
};

} // namespace kvt
