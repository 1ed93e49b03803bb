#include "PortMap.h"

namespace kvt {

PortMap PortMap::platformDefault()
{
    PortMap map;
#ifdef Q_OS_WIN
    map.setDevice(1, QStringLiteral("COM1"));
    map.setDevice(2, QStringLiteral("COM2"));
#else
    map.setDevice(1, QStringLiteral("/dev/ttyS0"));
    map.setDevice(2, QStringLiteral("/dev/ttyS1"));
#endif
    return map;
}

QString PortMap::device(int portNumber) const
{
    if (const auto it = m_devices.constFind(portNumber); it != m_devices.cend())
        return *it;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

void PortMap::setDevice(int portNumber, const QString& device)
{
    m_devices[portNumber] = device;
}

} // namespace kvt
