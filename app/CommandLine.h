#pragma once

#include "link/PortMap.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace kvt {

// What the operator asked for on the command line. Nothing here is remembered
// between runs: --com1 and --com2 hold for this run only.
class CommandLine {
public:
    enum class Action { Run, ShowHelp, ShowVersion, ListPorts, Fail };

    // arguments as QCoreApplication::arguments() gives them, program first;
    // remembered: the devices the Ports dialog keeps, so that --list-ports
    // tells what the windows will open.
    static CommandLine parse(const QStringList& arguments, const QMap<int, QString>& remembered);

    Action action = Action::Run;
    // The defaults, then what was remembered, then --com1 and --com2.
    PortMap portMap = PortMap::platformDefault();
    QString trafficLogPath;
    // Help or version text for stdout, or the complaint for stderr.
    QString text;

    // What the process returns when it stops without running.
    int exitCode() const;

    static constexpr int UsageError = 2;
};

} // namespace kvt
