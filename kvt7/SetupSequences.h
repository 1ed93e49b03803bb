#pragma once

#include "Kvt7Speeds.h"
#include "link/SerialLink.h"
#include "link/Timings.h"

#include <QList>

namespace kvt::setup {

// What the Setup dialogs' OK sends, line by line with the pause after each:
// the controller takes a value only after it has settled on the command
// naming it.

// "PROF" (or "PROFH" for home search), then start speed, maximum speed and
// acceleration as the dialog shows them.
QList<SerialLink::Step> speedSequence(SpeedProfile profile, const QString& start,
                                      const QString& max, const QString& accel,
                                      const Timings& timings);
// "JOG", then the speed.
QList<SerialLink::Step> jogSequence(const QString& speed, const Timings& timings);

} // namespace kvt::setup
