#include "PortList.h"

#include "NetworkAddress.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

namespace kvt {

namespace {
// The udev names that follow an adapter from socket to socket.
QString stableNameOf(const QString& device)
{
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files)) {
        if (link.isSymLink() && QFileInfo(link.symLinkTarget()).canonicalFilePath() ==
                                    QFileInfo(device).canonicalFilePath())
            return link.absoluteFilePath();
    }
    return {};
}
} // namespace

QList<SerialDevice> presentSerialDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialDevice d{info.systemLocation(), info.description(), {}, info.serialNumber(), {}};
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            d.usbId = QStringLiteral("%1:%2")
                          .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                          .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        d.stableName = stableNameOf(d.device);
        devices.append(d);
    }
    return devices;
}

QString lossInPlainWords(int portNumber, const QString& device, bool deviceGone,
                         const QString& reason)
{
    if (!deviceGone)
        return reason;
    static const QRegularExpression usb(QStringLiteral("ttyUSB|ttyACM|/usb-"));
    return (device.contains(usb) ? QStringLiteral("The USB adapter on COM%1 (%2) was unplugged.")
                                 : QStringLiteral("The device on COM%1 (%2) went away."))
        .arg(portNumber)
        .arg(device);
}

QString portListing(const QList<SerialDevice>& present, const PortMap& map)
{
    QString text;
    if (present.isEmpty())
        text += QStringLiteral("No serial devices found.\n");
    for (const SerialDevice& d : present) {
        QStringList fields{d.device};
        for (const QString& field : {d.description, d.usbId, d.serialNumber, d.stableName})
            if (!field.isEmpty())
                fields << field;
        text += fields.join(QLatin1String("  ")) + QLatin1Char('\n');
    }
    for (int port = 1; port <= 2; ++port) {
        const QString device = map.device(port);
        text +=
            QStringLiteral("COM%1 = %2 (%3)\n")
                .arg(port)
                .arg(device, NetworkAddress::looksLikeNetwork(device) ? QStringLiteral("network")
                             : QFileInfo::exists(device)              ? QStringLiteral("present")
                                                         : QStringLiteral("not present"));
    }
    return text;
}

} // namespace kvt
