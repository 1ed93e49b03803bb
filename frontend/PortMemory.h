#pragma once

#include "link/PortMap.h"

#include <QMap>
#include <QString>

class QSettings;

namespace kvt::ports {

// The one thing kvtcomm remembers between runs: which device COM1 and COM2
// stand for, as the operator chose in the Ports dialog.
QMap<int, QString> remembered(const QSettings& settings);
void remember(QSettings& settings, const QMap<int, QString>& devices);

// The platform's defaults, then what was remembered, then what the command
// line says for this run only.
PortMap resolve(const QMap<int, QString>& remembered, const QMap<int, QString>& overrides);

} // namespace kvt::ports
