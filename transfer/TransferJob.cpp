#include "TransferJob.h"

namespace kvt {

TransferJob::TransferJob(SerialLink& link, QObject* parent) : QObject(parent), m_link(link) {}

void TransferJob::stop(TransferOutcome outcome)
{
    finish(outcome);
}

void TransferJob::finish(TransferOutcome outcome)
{
    if (!m_running)
        return;
    m_running = false;
    m_outcome = outcome;
    wrapUp();
    Q_EMIT finished(outcome);
}

} // namespace kvt
