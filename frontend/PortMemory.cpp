#include "PortMemory.h"

#include <QSettings>

namespace kvt::ports {

namespace {
QString keyOf(int port)
{
    return QStringLiteral("ports/com%1").arg(port);
}
} // namespace

QMap<int, QString> remembered(const QSettings& settings)
{
    QMap<int, QString> devices;
    for (int port = 1; port <= 2; ++port) {
        const QString device = settings.value(keyOf(port)).toString().trimmed();
        if (!device.isEmpty())
            devices.insert(port, device);
    }
    return devices;
}

void remember(QSettings& settings, const QMap<int, QString>& devices)
{
    for (int port = 1; port <= 2; ++port) {
        const QString device = devices.value(port).trimmed();
        if (device.isEmpty())
            settings.remove(keyOf(port));
        else
            settings.setValue(keyOf(port), device);
    }
    settings.sync();
}

PortMap resolve(const QMap<int, QString>& remembered, const QMap<int, QString>& overrides)
{
    PortMap map = PortMap::platformDefault();
    for (const QMap<int, QString>* layer : {&remembered, &overrides})
        for (auto it = layer->cbegin(); it != layer->cend(); ++it)
            map.setDevice(it.key(), it.value());
    return map;
}

} // namespace kvt::ports
