#include "BlockDownload.h"

#include "link/SerialLink.h"
#include "link/SerialPort.h"

namespace kvt {

BlockDownload::BlockDownload(SerialLink& link, QList<program::ProgramLine> lines, Plan plan,
                             QObject* parent)
    : TransferJob(link, parent), m_lines(std::move(lines)), m_plan(std::move(plan)),
      m_pause(link, m_plan.wait, this)
{
    for (const program::ProgramLine& line : std::as_const(m_lines))
        m_total += line.isSent() ? 1 : 0;
    m_sendLimit.setSingleShot(true);
    m_sendLimit.setInterval(m_plan.sendLimit);
    connect(&m_sendLimit, &QTimer::timeout, this, [this] {
        // The line never left the port; what is still queued must not follow
        // it. Finished first, so the cancelled send is not counted as sent.
        finish(TransferOutcome::NoReply);
        this->link().cancel();
        this->link().port().discardOutput();
    });
    connect(&m_pause, &LineWait::ended, this, [this] { nextPass(); });
}

void BlockDownload::start()
{
    setRunning();
    Q_EMIT progress(0, m_total);
    if (m_plan.opening.isEmpty())
        nextPass();
    else
        send(m_plan.opening, Step::Opening);
}

void BlockDownload::nextPass()
{
    if (!isRunning())
        return;
    if (m_next == m_lines.size()) {
        send(QStringLiteral("END"), Step::End);
        return;
    }
    const program::ProgramLine& line = m_lines[m_next++];
    if (line.isSent())
        send(line.command, Step::Line);
    else
        m_pause.start(m_plan.pause);
}

void BlockDownload::send(const QString& command, Step step)
{
    m_sendLimit.start();
    SerialLink::Source source(link(), QStringLiteral("download"));
    link().sendData(command, this, [this, step](SendResult result) {
        m_sendLimit.stop();
        if (!isRunning() || finishIfNotSent(result))
            return;
        if (step == Step::End) {
            if (m_plan.watchdogAfterEnd > milliseconds{0})
                link().armWatchdog(m_plan.watchdogAfterEnd);
            finish(TransferOutcome::Complete);
            return;
        }
        if (step == Step::Line)
            Q_EMIT progress(++m_sent, m_total);
        m_pause.start(m_plan.pause);
    });
}

void BlockDownload::cancel()
{
    if (!isRunning())
        return;
    finish(TransferOutcome::Cancelled);
    link().cancel();
    if (!m_plan.cancelBytes.isEmpty()) {
        SerialLink::Source source(link(), QStringLiteral("download"));
        link().sendRaw(m_plan.cancelBytes, nullptr, {});
    }
}

void BlockDownload::wrapUp()
{
    m_pause.stop();
    m_sendLimit.stop();
}

} // namespace kvt
