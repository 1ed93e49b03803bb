#include "MonitorQueries.h"

namespace kvt::monitor {

QString query(int button, int program)
{
    switch (button) {
    case 0:
        return QStringLiteral("DSP");
    case 1:
        return QStringLiteral("POS");
    case 2:
        return QStringLiteral("RD.IN");
    case 3:
        return QStringLiteral("RD.OUT");
    case programDisplay:
        return QStringLiteral("DP") + QString::number(program);
    }
    return {};
}

} // namespace kvt::monitor
