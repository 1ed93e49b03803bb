#include "JobRunner.h"

#include "transfer/TransferJob.h"

namespace kvt {

JobRunner::JobRunner(QObject* parent) : QObject(parent) {}

bool JobRunner::keepsReceived() const
{
    return m_job && m_job->keepsReceived();
}

void JobRunner::run(TransferJob* job)
{
    Q_ASSERT(!isBusy());
    job->setParent(this);
    m_job = job;
    connect(job, &TransferJob::finished, this, [this, job] {
        if (m_job == job)
            m_job = nullptr;
        job->deleteLater();
        Q_EMIT busyChanged(false);
    });
    Q_EMIT busyChanged(true);
    job->start();
}

void JobRunner::cancel()
{
    if (m_job)
        m_job->cancel();
}

void JobRunner::stop(TransferOutcome outcome)
{
    if (m_job)
        m_job->stop(outcome);
}

} // namespace kvt
