#include "BlockUpload.h"

#include "base/ReplyText.h"
#include "link/SerialLink.h"

namespace kvt {

BlockUpload::BlockUpload(SerialLink& link, milliseconds limit, std::optional<Request> request,
                         QObject* parent)
    : TransferJob(link, parent), m_silence(link, LineWait::Kind::Quiet, this),
      m_endLine(link, LineWait::Kind::Quiet, this), m_limit(limit), m_request(std::move(request))
{
    connect(&m_silence, &LineWait::ended, this, [this] { finish(TransferOutcome::TimedOut); });
    // The rest of the line may never come: a controller that ends with a bare
    // "END", or a character left below the port's read threshold.
    connect(&m_endLine, &LineWait::ended, this, [this] { finish(TransferOutcome::Complete); });
}

void BlockUpload::start()
{
    setRunning();
    // What came before the request is not part of the block. Collected from
    // the moment the request is queued: the controller may answer before the
    // port reports the request's last character written, and those first
    // characters would be lost.
    m_collected.clear();
    m_endAt = -1;
    if (!m_request) {
        m_silence.start(m_limit);
        return;
    }
    link().armWatchdog(m_request->watchdog);
    SerialLink::Source source(link(), QStringLiteral("upload"));
    link().sendData(m_request->command, this, [this](SendResult result) {
        // The limit is on the controller's silence, so it runs once it was
        // asked, also when the answer began before the request was out.
        if (isRunning() && !finishIfNotSent(result) && m_endAt < 0)
            m_silence.start(m_limit);
    });
}

void BlockUpload::receive(const QByteArray& data)
{
    if (!isRunning())
        return;
    const qsizetype before = m_collected.size();
    m_collected += fromWire(data);
    // Only the new text is searched, so a long block costs no more per read.
    if (m_endAt < 0) {
        m_endAt = program::endMarkerAt(m_collected, qMax<qsizetype>(0, before - 2));
        if (m_endAt >= 0)
            m_silence.stop();
    }
    if (m_endAt >= 0 && program::lineEndAt(m_collected, qMax(before, m_endAt + 3)) >= 0)
        finish(TransferOutcome::Complete);
    else if (m_collected.size() > bufferLimit)
        finish(TransferOutcome::Overflow);
    else if (m_endAt >= 0)
        m_endLine.start(m_endLineQuiet);
}

} // namespace kvt
