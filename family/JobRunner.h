#pragma once

#include "transfer/TransferJob.h"

#include <QObject>
#include <QPointer>

namespace kvt {

// One transfer at a time on a link: it holds the running job, passes on the
// operator's Cancel and the owner's stop, and says when it is busy. The job
// hears the link by itself.
class JobRunner : public QObject {
    Q_OBJECT
public:
    explicit JobRunner(QObject* parent = nullptr);

    bool isBusy() const { return !m_job.isNull(); }
    // True while the running job takes received data for itself, so it is
    // no reply to show.
    bool keepsReceived() const;

    // Takes the job over and starts it; it is deleted after it finished.
    // The caller checks isBusy() first: two transfers would interleave. What
    // the caller connects to the job's finished() before runs while this
    // runner still counts as busy.
    void run(TransferJob* job);
    void cancel();
    void stop(TransferOutcome outcome);

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    QPointer<TransferJob> m_job;
};

} // namespace kvt
