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

QList<QByteArray> SerialPort::readPieces()
{
    QList<QByteArray> pieces;
    const qint64 pieceSize = m_inputLength > 0 ? qMin<qint64>(m_inputLength, readStep) : readStep;
    qint64 taken = 0;
    do {
        QByteArray piece = readRaw(qMin(pieceSize, readStep - taken));
        if (piece.isEmpty())
            break;
        taken += piece.size();
        pieces.append(std::move(piece));
    } while (taken < readStep && bytesAvailable() >= qMax(m_receiveThreshold, 1));
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
