#include "KeypadDownload.h"

#include "link/SerialLink.h"

namespace kvt {

KeypadDownload::KeypadDownload(SerialLink& link, QList<program::ProgramLine> lines,
                               milliseconds pause, milliseconds sendLimit, QObject* parent)
    : TransferJob(link, parent), m_lines(std::move(lines)),
      m_pause(link, LineWait::Kind::Fixed, this), m_pauseLength(pause)
{
    for (const program::ProgramLine& line : std::as_const(m_lines))
        m_total += line.isSent() ? 1 : 0;
    m_sendLimit.setSingleShot(true);
    m_sendLimit.setInterval(sendLimit);
    connect(&m_sendLimit, &QTimer::timeout, this, [this] {
        // The line never left the port; what is still queued must not follow
        // it. Finished first, so the cancelled send is not counted as sent.
        finish(TransferOutcome::NoReply);
        this->link().cancel();
    });
    connect(&m_pause, &LineWait::ended, this, [this] { nextPass(); });
}

void KeypadDownload::start()
{
    setRunning();
    Q_EMIT progress(0, m_total);
    nextPass();
}

void KeypadDownload::nextPass()
{
    if (!isRunning())
        return;
    if (m_next == m_lines.size()) {
        send(QStringLiteral("END"), true);
        return;
    }
    const program::ProgramLine& line = m_lines[m_next++];
    if (line.isSent())
        send(line.command, false);
    else
        m_pause.start(m_pauseLength);
}

void KeypadDownload::send(const QString& command, bool last)
{
    m_sendLimit.start();
    link().sendData(command, this, [this, last](SendResult result) {
        m_sendLimit.stop();
        if (!isRunning() || finishIfNotSent(result))
            return;
        if (last) {
            finish(TransferOutcome::Complete);
            return;
        }
        Q_EMIT progress(++m_sent, m_total);
        m_pause.start(m_pauseLength);
    });
}

void KeypadDownload::wrapUp()
{
    m_pause.stop();
    m_sendLimit.stop();
}

} // namespace kvt
