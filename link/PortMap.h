#pragma once

#include <QMap>
#include <QString>

namespace kvt {

// Which device stands behind COM1 and COM2. The controllers' software only
// knows port numbers; on Linux they are the first two UARTs unless the
// operator points them elsewhere (a USB adapter, the simulator's pty).
class PortMap {
public:
    static PortMap platformDefault();

    QString device(int portNumber) const;
    void setDevice(int portNumber, const QString& device);

private:
    QMap<int, QString> m_devices;
};

} // namespace kvt
