#include "QtSerialPort.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace kvt {

namespace {

const QString portClosedText = QStringLiteral("Operation valid only when the port is open");

// Indexed by LineSettings::Parity and LineSettings::StopBits, both ways.
constexpr QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                            QSerialPort::OddParity, QSerialPort::MarkParity,
                                            QSerialPort::SpaceParity};
constexpr QSerialPort::StopBits stopBits[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                              QSerialPort::TwoStop};

template <class Setting, class QtValue, std::size_t N>
Setting settingOf(const QtValue (&table)[N], QtValue value)
{
    const auto* found = std::find(std::begin(table), std::end(table), value);
    return Setting(found == std::end(table) ? 0 : found - std::begin(table));
}

// "Cannot open /dev/ttyS0: Permission denied ..." with what the operator can do about it.
QString describeOpenFailure(const QString& device, QSerialPort::SerialPortError error,
                            const QString& systemReason)
{
    QString text = QStringLiteral("Cannot open %1: %2").arg(device, systemReason);
    if (error == QSerialPort::PermissionError)
        text += QStringLiteral("\r\nThe port may be in use by another program, or your user may "
                               "not be allowed to use serial ports: add the user to the "
                               "'dialout' group and log in again.");
    return text;
}

} // namespace

QtSerialPort::QtSerialPort(PortMap map, QObject* parent) : SerialPort(parent), m_map(std::move(map))
{
    // Beyond this the system's driver keeps the rest, and with it the flow
    // control holds the sender back: a flood fills no memory of ours.
    m_serial.setReadBufferSize(readBufferSize);
    connect(&m_serial, &QSerialPort::readyRead, this, &QtSerialPort::notifyInput);
    connect(&m_serial, &QSerialPort::bytesWritten, this, &SerialPort::bytesWritten);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    connect(&m_network, &NetworkLine::readyRead, this, &QtSerialPort::notifyInput);
    connect(&m_network, &NetworkLine::bytesWritten, this, &SerialPort::bytesWritten);
    connect(&m_network, &NetworkLine::lost, this, &QtSerialPort::onNetworkLost);
}

bool QtSerialPort::isOpen() const
{
    return m_onNetwork ? m_network.isOpen() : m_serial.isOpen();
}

bool QtSerialPort::open(int portNumber)
{
    if (isOpen())
        return true;
    m_device = m_map.device(portNumber);
    m_onNetwork = NetworkAddress::looksLikeNetwork(m_device);
    if (m_onNetwork) {
        const auto address = NetworkAddress::parse(m_device, &m_error);
        if (!address)
            return false;
        if (!m_network.open(*address)) {
            m_error = m_network.errorString();
            return false;
        }
        applySettings();
        return true;
    }
    m_serial.setPortName(m_device);
    if (!m_serial.open(QIODevice::ReadWrite)) {
        m_error = describeOpenFailure(m_device, m_serial.error(), m_serial.errorString());
        m_serial.clearError();
        return false;
    }
    // Qt 6.4 delivers input that waited in the driver before the open.
    m_serial.clear();
    // The port is open whatever the device makes of the settings kept from
    // before; the caller sets the ones it wants next and hears of a refusal then.
    applySettings();
    return true;
}

bool QtSerialPort::deviceMayBeBack(int portNumber)
{
    const auto address = NetworkAddress::parse(m_map.device(portNumber));
    return address ? m_network.serverAnswers(*address) : SerialPort::deviceMayBeBack(portNumber);
}

void QtSerialPort::close()
{
    if (m_onNetwork)
        m_network.close();
    if (!m_serial.isOpen())
        return;
    // Whoever closes has waited for what had to go out. What a handshake
    // still holds back would keep the system's close waiting for it, up to
    // half a minute with the window frozen.
    if (bytesToWrite() > 0)
        discardOutput();
    m_serial.close();
}

void QtSerialPort::discardOutput()
{
    if (m_onNetwork)
        m_network.discardOutput();
    else if (m_serial.isOpen())
        m_serial.clear(QSerialPort::Output);
}

bool QtSerialPort::setSettings(const QString& settings)
{
    const auto parsed = LineSettings::parse(settings);
    if (!parsed) {
        m_error = QStringLiteral("Invalid port settings \"%1\": expected baud,parity,data "
                                 "bits,stop bits as in \"9600,N,8,1\"")
                      .arg(settings);
        return false;
    }
    m_settings = *parsed;
    return applySettings();
}

void QtSerialPort::setHandshaking(Handshaking handshaking)
{
    m_handshaking = handshaking;
    if (m_onNetwork && m_network.isOpen())
        applySettings();
    else if (m_serial.isOpen())
        m_serial.setFlowControl(handshaking == Handshaking::RtsCts ? QSerialPort::HardwareControl
                                                                   : QSerialPort::NoFlowControl);
}

bool QtSerialPort::applySettings()
{
    if (m_onNetwork) {
        if (m_network.apply(m_settings, m_handshaking))
            return true;
        m_error = m_network.errorString();
        return false;
    }
    if (!m_serial.isOpen())
        return true;
    // Handshaking first, and every setting on its own: one the device refuses
    // (a pty keeps 8 data bits) must not keep RTS/CTS or the speed off the line.
    const bool handshakeTaken =
        m_serial.setFlowControl(m_handshaking == Handshaking::RtsCts ? QSerialPort::HardwareControl
                                                                     : QSerialPort::NoFlowControl);
    m_serial.setBaudRate(m_settings.baud);
    m_serial.setParity(parities[int(m_settings.parity)]);
    m_serial.setDataBits(QSerialPort::DataBits(m_settings.dataBits));
    m_serial.setStopBits(stopBits[int(m_settings.stopBits)]);
    m_serial.clearError();
    const LineSettings inEffect = readBack();
    QStringList refused = refusedParts(m_settings, inEffect);
    if (!handshakeTaken)
        refused.prepend(m_handshaking == Handshaking::RtsCts ? QStringLiteral("RTS/CTS handshaking")
                                                             : QStringLiteral("no handshaking"));
    if (refused.isEmpty())
        return true;
    m_error = refusedSettingsText(m_device, refused, inEffect);
    return false;
}

LineSettings QtSerialPort::readBack() const
{
    // Qt keeps the last value it managed to set; the device's own word is
    // asked where the system gives it, as a driver may drop a bit silently.
    LineSettings s;
    s.baud = m_serial.baudRate();
    s.parity = settingOf<LineSettings::Parity>(parities, m_serial.parity());
    s.dataBits = int(m_serial.dataBits());
    s.stopBits = settingOf<LineSettings::StopBits>(stopBits, m_serial.stopBits());
#ifdef Q_OS_UNIX
    termios device{};
    if (::tcgetattr(int(m_serial.handle()), &device) == 0) {
        static constexpr std::pair<tcflag_t, int> sizes[] = {
            {CS5, 5}, {CS6, 6}, {CS7, 7}, {CS8, 8}};
        for (const auto& [flag, bits] : sizes)
            if ((device.c_cflag & CSIZE) == flag)
                s.dataBits = bits;
        if (!(device.c_cflag & PARENB))
            s.parity = LineSettings::Parity::None;
        else if (s.parity == LineSettings::Parity::None)
            s.parity =
                (device.c_cflag & PARODD) ? LineSettings::Parity::Odd : LineSettings::Parity::Even;
        s.stopBits =
            (device.c_cflag & CSTOPB) ? LineSettings::StopBits::Two : LineSettings::StopBits::One;
        if (m_settings.stopBits == LineSettings::StopBits::OneAndHalf &&
            s.stopBits == LineSettings::StopBits::Two && s.dataBits == 5)
            s.stopBits = LineSettings::StopBits::OneAndHalf;
    }
#endif
    return s;
}

QString QtSerialPort::settingsInEffect() const
{
    if (m_onNetwork)
        return m_network.settingsInEffect();
    return m_serial.isOpen() ? readBack().toString() : QString();
}

bool QtSerialPort::write(const QByteArray& data)
{
    if (!isOpen()) {
        m_error = portClosedText;
        return false;
    }
    if (m_onNetwork) {
        if (m_network.write(data))
            return true;
        m_error = m_network.errorString();
        return false;
    }
    if (m_serial.write(data) != data.size()) {
        m_error = m_serial.errorString();
        return false;
    }
    return true;
}

qint64 QtSerialPort::bytesAvailable() const
{
    if (m_onNetwork)
        return m_network.bytesAvailable();
    return m_serial.isOpen() ? m_serial.bytesAvailable() : 0;
}

qint64 QtSerialPort::bytesToWrite() const
{
    if (m_onNetwork)
        return m_network.bytesToWrite();
    return m_serial.isOpen() ? m_serial.bytesToWrite() + queuedInDriver() : 0;
}

qint64 QtSerialPort::queuedInDriver() const
{
#ifdef Q_OS_UNIX
    // A pty keeps no such queue and says 0; a port that cannot tell is taken
    // as drained, as it was before the driver was asked.
    int queued = 0;
    if (::ioctl(int(m_serial.handle()), TIOCOUTQ, &queued) == 0 && queued > 0)
        return queued;
#endif
    return 0;
}

QByteArray QtSerialPort::readRaw(qint64 maxSize)
{
    if (m_onNetwork)
        return m_network.read(maxSize);
    return m_serial.read(maxSize);
}

QString QtSerialPort::describeLoss(const QString& device, QSerialPort::SerialPortError error,
                                   bool deviceStillThere, const QString& systemReason)
{
    // After a hang-up the system's last error is whatever failed before it,
    // so it is only named where a write of ours was refused.
    if (!deviceStillThere)
        return QStringLiteral("The device %1 was removed (unplugged or switched off).").arg(device);
    if (error == QSerialPort::WriteError && !systemReason.isEmpty())
        return QStringLiteral("Writing to %1 failed: %2").arg(device, systemReason);
    return QStringLiteral("The device %1 hung up: the line was closed at the other end.")
        .arg(device);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        break;
    default:
        return; // open and settings failures are reported where they happen
    }
    if (!m_serial.isOpen())
        return; // the storm after the first error
    m_error = describeLoss(m_device, error, QFileInfo::exists(m_device), m_serial.errorString());
    m_serial.clearError();
    m_serial.close();
    Q_EMIT linkLost(m_error);
}

void QtSerialPort::onNetworkLost(const QString& reason)
{
    m_error = reason;
    Q_EMIT linkLost(reason);
}

} // namespace kvt
