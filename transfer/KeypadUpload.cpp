#include "KeypadUpload.h"

#include "link/ReplyText.h"

namespace kvt {

KeypadUpload::KeypadUpload(SerialLink& link, milliseconds limit, QObject* parent)
    : TransferJob(link, parent), m_silence(link, LineWait::Kind::NoData, this), m_limit(limit)
{
    connect(&m_silence, &LineWait::ended, this, [this](bool dataArrived) {
        if (!dataArrived)
            finish(TransferOutcome::TimedOut);
    });
}

void KeypadUpload::start()
{
    setRunning();
    m_collected.clear();
    m_silence.start(m_limit);
}

bool KeypadUpload::receive(const QByteArray& data)
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
