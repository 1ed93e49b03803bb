#include "SerialPort.h"

#include <QMetaObject>

namespace kvt {

SerialPort::SerialPort(QObject* parent) : QObject(parent)
{
    m_strandedRead.setSingleShot(true);
    m_strandedRead.setInterval(defaultStrandedReadDelay);
    connect(&m_strandedRead, &QTimer::timeout, this, &SerialPort::onStrandedReadDue);
}

void SerialPort::setReceiveThreshold(int threshold)
{
    m_receiveThreshold = threshold;
    recheckThreshold();
}

QByteArray SerialPort::read()
{
    const qint64 limit = m_inputLength > 0 ? m_inputLength : bytesAvailable();
    QByteArray data = limit > 0 ? readRaw(limit) : QByteArray();
    // Queued, so the handler that called read() finishes before the next event.
    if (!m_recheckPending && m_receiveThreshold > 0 && bytesAvailable() >= m_receiveThreshold) {
        m_recheckPending = true;
        QMetaObject::invokeMethod(this, &SerialPort::recheckThreshold, Qt::QueuedConnection);
    } else {
        watchStranded();
    }
    return data;
}

void SerialPort::notifyInput()
{
    if (m_recheckPending)
        return; // the queued recheck reports this input too
    recheckThreshold();
}

void SerialPort::recheckThreshold()
{
    m_recheckPending = false;
    if (isOpen() && m_receiveThreshold > 0 && bytesAvailable() >= m_receiveThreshold)
        Q_EMIT commEvent(CommEvent::Receive);
    else
        watchStranded();
}

void SerialPort::watchStranded()
{
    // Restarted by every arrival, so only a quiet line reports the rest.
    if (m_strandedRead.interval() > 0 && m_receiveThreshold > 1 && bytesAvailable() > 0)
        m_strandedRead.start();
    else
        m_strandedRead.stop();
}

void SerialPort::onStrandedReadDue()
{
    if (isOpen() && m_receiveThreshold > 0 && bytesAvailable() > 0)
        Q_EMIT commEvent(CommEvent::Receive);
}

} // namespace kvt
