#include "FakeSerialPort.h"

namespace kvt::test {

FakeSerialPort::FakeSerialPort(QObject* parent) : SerialPort(parent) {}

bool FakeSerialPort::open(int portNumber)
{
    openedPort = portNumber;
    if (missingDevices.contains(deviceName(portNumber))) {
        m_error = "Cannot open " + deviceName(portNumber);
        return false;
    }
    m_open = true;
    return true;
}

void FakeSerialPort::close()
{
    m_open = false;
}

bool FakeSerialPort::setSettings(const QString& value)
{
    settings = value;
    return true;
}

bool FakeSerialPort::write(const QByteArray& data)
{
    if (!m_open) {
        m_error = QStringLiteral("Operation valid only when the port is open");
        return false;
    }
    if (m_writesBeforeFailure == 0) {
        m_error = m_writeFailure;
        return false;
    }
    if (m_writesBeforeFailure > 0)
        --m_writesBeforeFailure;
    writes.append(data);
    if (m_inDriver)
        *m_inDriver += data.size();
    return true;
}

void FakeSerialPort::receive(const QByteArray& data)
{
    m_input += data;
    notifyInput();
}

void FakeSerialPort::failWritesAfter(int count, const QString& reason)
{
    m_writesBeforeFailure = count;
    m_writeFailure = reason;
}

void FakeSerialPort::drainOutput()
{
    m_pendingOutput = 0;
    Q_EMIT bytesWritten();
}

void FakeSerialPort::loseLink(const QString& reason)
{
    m_open = false;
    m_error = reason;
    Q_EMIT linkLost(reason);
}

QByteArray FakeSerialPort::written() const
{
    QByteArray all;
    for (const QByteArray& w : writes)
        all += w;
    return all;
}

QByteArray FakeSerialPort::readRaw(qint64 maxSize)
{
    // Taken from a read position, so a burst of megabytes read two bytes at a
    // time does not move the rest each time.
    const QByteArray piece = m_input.mid(m_readAt, maxSize);
    m_readAt += piece.size();
    if (m_readAt * 2 >= m_input.size()) {
        m_input.remove(0, m_readAt);
        m_readAt = 0;
    }
    return piece;
}

} // namespace kvt::test
