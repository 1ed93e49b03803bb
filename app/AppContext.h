#pragma once

#include "link/SerialPort.h"
#include "link/Timings.h"

#include <QString>

#include <functional>
#include <memory>

namespace kvt {

class Operator;

// What every front end is built from. The program passes the desktop's boxes
// and real serial ports; tests pass their scripted operator and fake ports.
struct AppContext {
    Operator& op;
    std::function<std::unique_ptr<SerialPort>()> makePort;
    Timings timings;
    // --log: every window writes its traffic log there from the start.
    QString trafficLogPath;
};

} // namespace kvt
