#pragma once

#include "link/PortMap.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace kvt {

// What the operator asked for on the command line. Nothing here is remembered
// between runs: the devices behind COM1 and COM2 are given anew each time.
class CommandLine {
public:
    enum class Action { Run, ShowHelp, ShowVersion, ListPorts, Fail };

    // arguments as QCoreApplication::arguments() gives them, program first.
    static CommandLine parse(const QStringList& arguments);

    Action action = Action::Run;
    // The defaults with --com1 and --com2 applied; the overrides alone too,
    // as they also win over what the Ports dialog remembered.
    PortMap portMap = PortMap::platformDefault();
    QMap<int, QString> deviceOverrides;
    QString trafficLogPath;
    // Help or version text for stdout, or the complaint for stderr.
    QString text;

    // What the process returns when it stops without running.
    int exitCode() const;

    static constexpr int UsageError = 2;
};

} // namespace kvt
