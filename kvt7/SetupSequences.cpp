#include "SetupSequences.h"

namespace kvt::setup {

QList<SerialLink::Step> speedSequence(SpeedProfile profile, const QString& start,
                                      const QString& max, const QString& accel,
                                      const Timings& timings)
{
    const milliseconds pause = timings.speedLinePause;
    return {
        {profile == SpeedProfile::Homing ? QStringLiteral("PROFH") : QStringLiteral("PROF"), pause},
        {start, pause},
        {max, pause},
        {accel, milliseconds{0}}};
}

QList<SerialLink::Step> jogSequence(const QString& speed, const Timings& timings)
{
    return {{QStringLiteral("JOG"), timings.jogValuePause}, {speed, milliseconds{0}}};
}

} // namespace kvt::setup
