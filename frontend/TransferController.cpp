#include "TransferController.h"

#include "transfer/TransferJob.h"

namespace kvt {

TransferController::TransferController(QObject* parent) : QObject(parent) {}

void TransferController::run(TransferJob* job)
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

bool TransferController::routeReceived(const QByteArray& data)
{
    return m_job && m_job->receive(data);
}

void TransferController::watchdogExpired()
{
    if (m_job)
        m_job->watchdogExpired();
}

void TransferController::cancel()
{
    if (m_job)
        m_job->cancel();
}

void TransferController::stop(TransferOutcome outcome)
{
    if (m_job)
        m_job->stop(outcome);
}

} // namespace kvt
