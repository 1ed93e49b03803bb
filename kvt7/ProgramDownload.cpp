#include "ProgramDownload.h"

#include "link/SerialLink.h"

namespace kvt {

ProgramDownload::ProgramDownload(SerialLink& link, QList<program::DownloadLine> lines,
                                 QObject* parent)
    : QObject(parent), m_link(link), m_lines(std::move(lines))
{
}

void ProgramDownload::start()
{
    m_running = true;
    Q_EMIT progress(0, total());
    if (m_lines.isEmpty())
        finish(Outcome::Complete);
    else
        sendNext();
}

void ProgramDownload::sendNext()
{
    ReplyReceived = false;
    m_sent = false;
    m_link.sendData(m_lines[m_next].command, this, [this](SendResult result) { onSent(result); });
}

void ProgramDownload::onSent(SendResult result)
{
    if (!m_running)
        return;
    switch (result) {
    case SendResult::Sent:
    case SendResult::Aborted:
    case SendResult::Cancelled:
        // A watchdog verdict reaches the window, which stops us with it;
        // until then the answer may still come.
        m_sent = true;
        advanceIfAnswered();
        return;
    case SendResult::WriteFailed:
        finish(Outcome::SendFailed);
        return;
    case SendResult::LinkLost:
        finish(Outcome::LinkLost);
        return;
    case SendResult::Discarded:
        finish(Outcome::Abandoned);
        return;
    }
}

void ProgramDownload::replyReceived()
{
    if (!m_running)
        return;
    ReplyReceived = true;
    advanceIfAnswered();
}

void ProgramDownload::advanceIfAnswered()
{
    if (!m_sent || !ReplyReceived)
        return;
    ++m_next;
    Q_EMIT progress(m_next, total());
    if (m_next == total())
        finish(Outcome::Complete);
    else
        sendNext();
}

void ProgramDownload::stop(Outcome outcome)
{
    if (m_running)
        finish(outcome);
}

std::optional<program::DownloadLine> ProgramDownload::pendingLine() const
{
    if (m_next < total())
        return m_lines[m_next];
    return std::nullopt;
}

void ProgramDownload::finish(Outcome outcome)
{
    m_running = false;
    Q_EMIT finished(outcome);
}

} // namespace kvt
