#pragma once

#include "link/SerialPort.h"
#include "link/Timings.h"

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
};

} // namespace kvt
