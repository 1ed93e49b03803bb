#pragma once

#include "Family.h"
#include "link/LinkProfile.h"
#include "link/SerialPort.h"

#include <QString>

namespace kvt {

// How a family's port is set up after it opened, and how its link paces and
// watches what goes out.
struct PortSetup {
    int inputLength = 0;
    int receiveThreshold = 1;
    QString settings; // "9600,N,8,1"
    Handshaking handshaking = Handshaking::None;
    LinkProfile link;
};

// chosenSettings: what the operator chose where the family lets them choose
// (the four models); the other families ignore it.
PortSetup portSetupFor(Family family, const QString& chosenSettings = {});

} // namespace kvt
