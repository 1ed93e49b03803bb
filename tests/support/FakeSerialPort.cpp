#include "FakeSerialPort.h"

namespace kvt::test {

FakeSerialPort::FakeSerialPort(QObject* parent) : SerialPort(parent) {}

bool FakeSerialPort::open(int portNumber)
{
    openedPort = portNumber;
    if (!m_openFailure.isEmpty()) {
        m_error = m_openFailure;
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
    const QByteArray piece = m_input.left(maxSize);
    m_input.remove(0, piece.size());
    return piece;
}

} // namespace kvt::test
