#include "ProgramUpload.h"

#include "ProgramLines.h"
#include "link/ReplyText.h"
#include "link/SerialLink.h"

namespace kvt {

namespace {
// More than the echo and its line break: the listing has begun.
constexpr qsizetype echoLength = 10;
} // namespace

ProgramUpload::ProgramUpload(SerialLink& link, int program, milliseconds limit, QObject* parent)
    : QObject(parent), m_link(link), m_program(program), m_limit(limit)
{
    m_timeLimit.setSingleShot(true);
    connect(&m_timeLimit, &QTimer::timeout, this, &ProgramUpload::onTimeLimit);
}

void ProgramUpload::start()
{
    m_running = true;
    UploadMode = true;
    UploadBuffer.clear();
    m_link.sendData(QStringLiteral("DP%1").arg(m_program), this,
                    [this](SendResult result) { onSent(result); });
}

void ProgramUpload::onSent(SendResult result)
{
    if (!m_running)
        return;
    switch (result) {
    case SendResult::Sent:
    case SendResult::Aborted:
    case SendResult::Cancelled:
        m_timeLimit.start(m_limit);
        process();
        return;
    case SendResult::WriteFailed:
        // Nothing can come back; the editor keeps the operator's text.
        finish(Outcome::NotSent);
        return;
    case SendResult::LinkLost:
        finish(Outcome::LinkLost);
        return;
    case SendResult::Discarded:
        finish(Outcome::Abandoned);
        return;
    }
}

void ProgramUpload::receive(const QByteArray& data)
{
    if (!UploadMode)
        return;
    m_received += data.size();
    UploadBuffer += fromWire(data);
    if (m_received > bufferLimit) {
        finish(Outcome::Overflow);
        return;
    }
    process();
}

void ProgramUpload::process()
{
    // Before the command has gone out, or while only the echo is there, wait.
    if (!m_running || !m_timeLimit.isActive())
        return;
    if (!m_echoStripped) {
        if (UploadBuffer.size() <= echoLength)
            return;
        UploadBuffer = program::stripEcho(UploadBuffer);
        m_echoStripped = true;
    }
    while (program::removeFirstPrompt(UploadBuffer)) {
    }
    if (program::cutAtProgramEnd(UploadBuffer)) {
        finish(Outcome::Complete);
        return;
    }
    Q_EMIT programChanged(program::uploadedProgram(m_program, UploadBuffer));
}

void ProgramUpload::onTimeLimit()
{
    if (!m_echoStripped) {
        UploadBuffer = program::stripEcho(UploadBuffer);
        m_echoStripped = true;
    }
    while (program::removeFirstPrompt(UploadBuffer)) {
    }
    finish(Outcome::TimedOut);
}

void ProgramUpload::stop(Outcome outcome)
{
    if (m_running)
        finish(outcome);
}

void ProgramUpload::finish(Outcome outcome)
{
    m_running = false;
    UploadMode = false;
    m_timeLimit.stop();
    Q_EMIT finished(outcome, program::uploadedProgram(m_program, UploadBuffer));
}

} // namespace kvt
