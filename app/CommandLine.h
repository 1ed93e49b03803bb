#pragma once

#include "link/PortMap.h"

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
    PortMap portMap = PortMap::platformDefault();
    QString trafficLogPath;
    // Help or version text for stdout, or the complaint for stderr.
    QString text;

    // What the process returns when it stops without running.
    int exitCode() const;

    static constexpr int UsageError = 2;
};

} // namespace kvt
