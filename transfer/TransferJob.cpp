#include "TransferJob.h"

#include "link/SerialLink.h"

namespace kvt {

TransferJob::TransferJob(SerialLink& link, QObject* parent) : QObject(parent), m_link(link)
{
    // Connected before a derived job builds its waits, so the job sees data
    // before they do.
    connect(&link, &SerialLink::received, this, [this](const QByteArray& data) { receive(data); });
    connect(&link, &SerialLink::watchdogExpired, this, [this] { watchdogExpired(); });
    connect(&link, &SerialLink::linkLost, this, [this] { stop(TransferOutcome::LinkLost); });
}

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

bool TransferJob::finishIfNotSent(SendResult result)
{
    switch (result) {
    case SendResult::Sent:
    case SendResult::Aborted:
    case SendResult::Cancelled:
        // A watchdog verdict reaches the job through watchdogExpired(); the
        // command itself went out as far as the line took it.
        return false;
    case SendResult::WriteFailed:
        finish(TransferOutcome::SendFailed);
        return true;
    case SendResult::LinkLost:
        finish(TransferOutcome::LinkLost);
        return true;
    case SendResult::Discarded:
        finish(TransferOutcome::Abandoned);
        return true;
    }
    return true;
}

} // namespace kvt
