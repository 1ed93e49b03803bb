#include "Kvt7Upload.h"

#include "Kvt7Listing.h"
#include "base/ReplyText.h"
#include "link/SerialLink.h"

namespace kvt {

namespace {
// More than the echo and its line break: the listing has begun.
constexpr qsizetype echoLength = 10;
} // namespace

Kvt7Upload::Kvt7Upload(SerialLink& link, int program, milliseconds limit, QObject* parent)
    : TransferJob(link, parent), m_program(program), m_limit(limit)
{
    m_timeLimit.setSingleShot(true);
    connect(&m_timeLimit, &QTimer::timeout, this, &Kvt7Upload::onTimeLimit);
}

void Kvt7Upload::start()
{
    setRunning();
    m_uploadBuffer.clear();
    SerialLink::Source source(link(), QStringLiteral("upload"));
    link().sendData(QStringLiteral("DP%1").arg(m_program), this,
                    [this](SendResult result) { onSent(result); });
}

void Kvt7Upload::onSent(SendResult result)
{
    if (!isRunning() || finishIfNotSent(result))
        return;
    m_timeLimit.start(m_limit);
    process();
}

void Kvt7Upload::receive(const QByteArray& data)
{
    if (!isRunning())
        return;
    m_received += data.size();
    m_uploadBuffer += fromWire(data);
    if (m_received > bufferLimit) {
        finish(TransferOutcome::Overflow);
        return;
    }
    process();
}

void Kvt7Upload::process()
{
    // Before the command has gone out, or while only the echo is there, wait.
    if (!isRunning() || !m_timeLimit.isActive())
        return;
    if (!m_echoStripped) {
        if (m_uploadBuffer.size() <= echoLength)
            return;
        m_uploadBuffer = program::stripEcho(m_uploadBuffer);
        m_echoStripped = true;
    }
    // The end is looked for before the prompts go: removing a prompt takes
    // the two characters before it, which may be the line break after "M30".
    const bool complete = program::cutAtProgramEnd(m_uploadBuffer);
    while (program::removeFirstPrompt(m_uploadBuffer)) {
    }
    if (complete)
        finish(TransferOutcome::Complete);
    else
        Q_EMIT programChanged(programText());
}

void Kvt7Upload::onTimeLimit()
{
    if (!m_echoStripped) {
        m_uploadBuffer = program::stripEcho(m_uploadBuffer);
        m_echoStripped = true;
    }
    while (program::removeFirstPrompt(m_uploadBuffer)) {
    }
    finish(TransferOutcome::TimedOut);
}

QString Kvt7Upload::programText() const
{
    return program::uploadedProgram(m_program, m_uploadBuffer);
}

void Kvt7Upload::wrapUp()
{
    m_timeLimit.stop();
}

} // namespace kvt
