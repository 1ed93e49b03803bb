#pragma once

#include "transfer/TransferJob.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

namespace kvt {

// One transfer at a time on a window's link: it hands received data to the
// running job, tells it of the watchdog, the lost link, the operator's Cancel
// and the window closing, and says when the window is busy.
class TransferController : public QObject {
    Q_OBJECT
public:
    explicit TransferController(QObject* parent = nullptr);

    bool isBusy() const { return !m_job.isNull(); }

    // Takes the job over and starts it; it is deleted after it finished.
    // The caller checks isBusy() first: two transfers would interleave.
    void run(TransferJob* job);

    // True when the running job took the data for itself.
    bool routeReceived(const QByteArray& data);
    void watchdogExpired();
    void cancel();
    void stop(TransferOutcome outcome);

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    QPointer<TransferJob> m_job;
};

} // namespace kvt
