#include "BlockUpload.h"

#include "link/ReplyText.h"
#include "link/SerialLink.h"

namespace kvt {

BlockUpload::BlockUpload(SerialLink& link, milliseconds limit, std::optional<Request> request,
                         QObject* parent)
    : TransferJob(link, parent), m_silence(link, LineWait::Kind::NoData, this), m_limit(limit),
      m_request(std::move(request))
{
    connect(&m_silence, &LineWait::ended, this, [this](bool dataArrived) {
        if (!dataArrived)
            finish(TransferOutcome::TimedOut);
    });
}

void BlockUpload::start()
{
    setRunning();
    // What came before the request is not part of the block. Collected from
    // the moment the request is queued: the controller may answer before the
    // port reports the request's last character written, and those first
    // characters would be lost.
    m_collected.clear();
    if (!m_request) {
        m_silence.start(m_limit);
        return;
    }
    link().armWatchdog(m_request->watchdog);
    SerialLink::Source source(link(), QStringLiteral("upload"));
    link().sendData(m_request->command, this, [this](SendResult result) {
        // The limit is on the controller's silence, so it runs once it was asked.
        if (isRunning() && !finishIfNotSent(result) && m_collected.isEmpty())
            m_silence.start(m_limit);
    });
}

bool BlockUpload::receive(const QByteArray& data)
{
    if (!isRunning())
        return false;
    m_collected += fromWire(data);
    if (program::hasEndMarker(m_collected))
        finish(TransferOutcome::Complete);
    else if (m_collected.size() > bufferLimit)
        finish(TransferOutcome::Overflow);
    return true;
}

} // namespace kvt
