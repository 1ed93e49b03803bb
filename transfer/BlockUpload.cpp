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
    if (!m_request) {
        collect();
        return;
    }
    link().armWatchdog(m_request->watchdog);
    SerialLink::Source source(link(), QStringLiteral("upload"));
    link().sendData(m_request->command, this, [this](SendResult result) {
        if (isRunning() && !finishIfNotSent(result))
            collect();
    });
}

void BlockUpload::collect()
{
    // What came before the request had gone out is not part of the block.
    m_collecting = true;
    m_collected.clear();
    m_silence.start(m_limit);
}

bool BlockUpload::receive(const QByteArray& data)
{
    if (!isRunning() || !m_collecting)
        return false;
    m_collected += fromWire(data);
    if (program::hasEndMarker(m_collected))
        finish(TransferOutcome::Complete);
    else if (m_collected.size() > bufferLimit)
        finish(TransferOutcome::Overflow);
    return true;
}

} // namespace kvt
