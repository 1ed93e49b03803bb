#include "SerialPort.h"

#include "NetworkAddress.h"

#include <QMetaObject>

#include <algorithm>

namespace kvt {

SerialPort::SerialPort(QObject* parent) : QObject(parent)
{
    m_strandedRead.setSingleShot(true);
    m_strandedRead.setInterval(defaultStrandedReadDelay);
    connect(&m_strandedRead, &QTimer::timeout, this, &SerialPort::onStrandedReadDue);
}

bool SerialPort::deviceMayBeBack(int portNumber)
{
    const QString device = deviceName(portNumber);
    return device.isEmpty() || deviceMayBePresent(device);
}

void SerialPort::setReceiveThreshold(int threshold)
{
    m_receiveThreshold = threshold;
    recheckThreshold();
}

QList<QByteArray> SerialPort::readPieces()
{
    const qint64 pieceSize = m_inputLength > 0 ? qMin<qint64>(m_inputLength, readStep) : readStep;
    // Counted first and read at once: a read of the port per piece costs the
    // system calls of a whole read.
    const qint64 waiting = bytesAvailable();
    const qint64 rest = qMax(m_receiveThreshold, 1);
    qint64 wanted = qMin(pieceSize, waiting);
    while (wanted < readStep && waiting - wanted >= rest)
        wanted += std::min({pieceSize, readStep - wanted, waiting - wanted});
    const QByteArray data = wanted > 0 ? readRaw(wanted) : QByteArray();
    QList<QByteArray> pieces;
    pieces.reserve((data.size() + pieceSize - 1) / pieceSize);
    for (qsizetype at = 0; at < data.size(); at += pieceSize)
        pieces.append(data.mid(at, pieceSize));
    // Queued, so the handler that read finishes before the next event.
    if (!m_recheckPending && m_receiveThreshold > 0 && bytesAvailable() >= m_receiveThreshold) {
        m_recheckPending = true;
        QMetaObject::invokeMethod(this, &SerialPort::recheckThreshold, Qt::QueuedConnection);
    } else {
        watchStranded();
    }
    return pieces;
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
