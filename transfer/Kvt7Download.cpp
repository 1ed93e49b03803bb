#include "Kvt7Download.h"

#include "link/SerialLink.h"

namespace kvt {

Kvt7Download::Kvt7Download(SerialLink& link, QList<program::ProgramLine> lines,
                           milliseconds replyQuiet, QObject* parent)
    : TransferJob(link, parent), m_lines(std::move(lines))
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(replyQuiet);
    connect(&m_quiet, &QTimer::timeout, this, &Kvt7Download::advanceIfAnswered);
    connect(&link, &SerialLink::commandWritten, this, &Kvt7Download::onWritten);
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
    m_sent = m_replyStarted = m_staleDuringSend = false;
    m_awaitingWrite = true;
    SerialLink::Source source(link(), QStringLiteral("download"));
    link().sendData(m_lines[m_next].command, this, [this](SendResult result) { onSent(result); });
}

void Kvt7Download::onWritten()
{
    if (!isRunning() || !std::exchange(m_awaitingWrite, false))
        return;
    // A stale reply stopped the watchdog that this line armed; without it a
    // controller that never answers this line would be waited for for ever.
    if (m_staleDuringSend)
        link().armWatchdog(link().timings().watchdog);
}

void Kvt7Download::onSent(SendResult result)
{
    m_awaitingWrite = false;
    if (!isRunning() || finishIfNotSent(result))
        return;
    // Until the watchdog speaks, the answer may still come.
    m_sent = true;
    advanceIfAnswered();
}

void Kvt7Download::receive(const QByteArray&)
{
    if (!isRunning())
        return;
    if (m_awaitingWrite) {
        m_staleDuringSend = true;
    } else {
        m_replyStarted = true;
        m_quiet.start();
    }
}

void Kvt7Download::advanceIfAnswered()
{
    // The reply has ended once its quiet period ran out.
    if (!m_sent || !m_replyStarted || m_quiet.isActive())
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
