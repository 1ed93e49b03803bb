#pragma once

#include "PortMap.h"

#include <QList>
#include <QString>

namespace kvt {

// A serial device present on this computer, as the system describes it.
struct SerialDevice {
    QString device;       // /dev/ttyUSB0
    QString description;  // "FT232R USB UART"
    QString usbId;        // "0403:6001", empty for a built-in port
    QString serialNumber; // of a USB adapter, where it has one
    QString stableName;   // /dev/serial/by-id/..., which survives replugging
};

QList<SerialDevice> presentSerialDevices();

// The loss of a port's device told in an operator's words: "The USB adapter
// on COM1 (/dev/ttyUSB0) was unplugged." reason is the system's account,
// used where the device is still there.
QString lossInPlainWords(int portNumber, const QString& device, bool deviceGone,
                         const QString& reason);

// What --list-ports prints: the devices present, then what COM1 and COM2
// stand for and whether that device is there.
QString portListing(const QList<SerialDevice>& present, const PortMap& map);

} // namespace kvt
