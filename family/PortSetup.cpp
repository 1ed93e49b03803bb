#include "PortSetup.h"

namespace kvt {

PortSetup portSetupFor(Family family, const QString& chosenSettings)
{
    switch (family) {
    case Family::Kvt7:
        return {0, 1, QStringLiteral("9600,N,8,1"), Handshaking::None, LinkProfile::kvt7()};
    case Family::Kvt31_33:
        return {0, 2, QStringLiteral("1200,N,8,1"), Handshaking::RtsCts, LinkProfile::kvt31_33()};
    case Family::Kvt52:
        break;
    }
    return {2, 2, chosenSettings, Handshaking::RtsCts, LinkProfile::kvt52()};
}

} // namespace kvt
