#pragma once

#include "LineSettings.h"
#include "NetworkLine.h"
#include "PortMap.h"
#include "SerialPort.h"

#include <QSerialPort>

namespace kvt {

// The serial port seam on Qt's QSerialPort, or on a serial device server where
// the port's device is a network address (rfc2217://, tcp://): the link above
// does not learn which. Qt reports no line-state changes, so this port raises
// only Receive events; a failing device is reported once through linkLost()
// and the port closed, instead of the storm of read errors an unplugged USB
// adapter produces.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    static constexpr qint64 readBufferSize = 64 * 1024;

    explicit QtSerialPort(PortMap map, QObject* parent = nullptr);

    bool open(int portNumber) override;
    bool isOpen() const override;
    void close() override;
    QString errorString() const override { return m_error; }
    QString deviceName(int portNumber) const override { return m_map.device(portNumber); }
    void setDevice(int portNumber, const QString& device) override
    {
        m_map.setDevice(portNumber, device);
    }
    bool deviceMayBeBack(int portNumber) override;
    bool setSettings(const QString& settings) override;
    QString settingsInEffect() const override;
    void setHandshaking(Handshaking handshaking) override;
    bool write(const QByteArray& data) override;
    qint64 bytesAvailable() const override;
    qint64 bytesToWrite() const override;
    void discardOutput() override;

    // What the operator reads when the device goes away.
    static QString describeLoss(const QString& device, QSerialPort::SerialPortError error,
                                bool deviceStillThere, const QString& systemReason);

protected:
    QByteArray readRaw(qint64 maxSize) override;

private:
    bool applySettings();
    LineSettings readBack() const;
    // Bytes Qt has handed over that the system's driver has not yet put on
    // the line: with RTS/CTS and the controller off, several KiB wait there.
    qint64 queuedInDriver() const;
    void onError(QSerialPort::SerialPortError error);
    void onNetworkLost(const QString& reason);

    PortMap m_map;
    QSerialPort m_serial;
    NetworkLine m_network;
    bool m_onNetwork = false;
    LineSettings m_settings;
    Handshaking m_handshaking = Handshaking::None;
    QString m_device;
    QString m_error;
};

} // namespace kvt
