#include "Kvt7Download.h"

#include "link/SerialLink.h"

namespace kvt {

Kvt7Download::Kvt7Download(SerialLink& link, QList<program::ProgramLine> lines, QObject* parent)
    : TransferJob(link, parent), m_lines(std::move(lines))
{
}

void Kvt7Download::start()
{
    setRunning();
    Q_EMIT progress(0, total());
    if (m_lines.isEmpty())
        finish(TransferOutcome::Complete);
    else
        sendNext();
}

void Kvt7Download::sendNext()
{
    m_replyReceived = false;
    m_sent = false;
    SerialLink::Source source(link(), QStringLiteral("download"));
    link().sendData(m_lines[m_next].command, this, [this](SendResult result) { onSent(result); });
}

void Kvt7Download::onSent(SendResult result)
{
    if (!isRunning() || finishIfNotSent(result))
        return;
    // Until the watchdog speaks, the answer may still come.
    m_sent = true;
    advanceIfAnswered();
}

bool Kvt7Download::receive(const QByteArray&)
{
    if (isRunning()) {
        m_replyReceived = true;
        advanceIfAnswered();
    }
    return false;
}

void Kvt7Download::advanceIfAnswered()
{
    if (!m_sent || !m_replyReceived)
        return;
    ++m_next;
    Q_EMIT progress(m_next, total());
    if (m_next == total())
        finish(TransferOutcome::Complete);
    else
        sendNext();
}

std::optional<program::ProgramLine> Kvt7Download::pendingLine() const
{
    if (m_next < total())
        return m_lines[m_next];
    return std::nullopt;
}

} // namespace kvt
