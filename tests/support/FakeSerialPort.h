#pragma once

#include "link/SerialPort.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <optional>

namespace kvt::test {

// A port that records every write separately and lets a test inject received
// text, event codes and failures.
class FakeSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit FakeSerialPort(QObject* parent = nullptr);

    bool open(int portNumber) override;
    bool isOpen() const override { return m_open; }
    void close() override;
    QString errorString() const override { return m_error; }
    QString deviceName(int portNumber) const override
    {
        return m_devices.value(portNumber, QStringLiteral("/dev/ttyFAKE%1").arg(portNumber));
    }
    void setDevice(int portNumber, const QString& device) override
    {
        m_devices.insert(portNumber, device);
    }
    bool setSettings(const QString& settings) override;
    void setHandshaking(Handshaking handshaking) override { m_handshaking = handshaking; }
    bool write(const QByteArray& data) override;
    qint64 bytesAvailable() const override { return m_input.size() - m_readAt; }
    qint64 bytesToWrite() const override { return m_pendingOutput + m_inDriver.value_or(0); }
    void discardOutput() override
    {
        m_pendingOutput = 0;
        if (m_inDriver)
            *m_inDriver = 0;
    }

    // Test controls.
    void receive(const QByteArray& data); // arrives on the line
    void raiseEvent(int code) { Q_EMIT commEvent(code); }
    QStringList missingDevices; // opening a port that stands for one fails
    void failWritesAfter(int count, const QString& reason);
    void holdOutput(qint64 bytes) { m_pendingOutput = bytes; } // drain waits until drainOutput()
    void drainOutput();
    // While held, writes stay in the system's driver; they leave, once let
    // go, without bytesWritten(), as they do from a driver.
    void holdInDriver(bool held) { m_inDriver = held ? std::optional<qint64>(0) : std::nullopt; }
    void loseLink(const QString& reason);

    QList<QByteArray> writes;
    QByteArray written() const;
    int openedPort = 0;
    QString settings;
    Handshaking handshaking() const { return m_handshaking; }

protected:
    QByteArray readRaw(qint64 maxSize) override;

private:
    bool m_open = false;
    QString m_error;
    int m_writesBeforeFailure = -1;
    QString m_writeFailure;
    qint64 m_pendingOutput = 0;
    std::optional<qint64> m_inDriver; // none: not held
    QByteArray m_input;
    qsizetype m_readAt = 0;
    Handshaking m_handshaking = Handshaking::None;
    QMap<int, QString> m_devices;
};

} // namespace kvt::test
