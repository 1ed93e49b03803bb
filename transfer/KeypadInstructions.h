#pragma once

#include <QString>

namespace kvt::keypad {

// What the operator keys in on the controller before a transfer can start.
// The lines quote the controller's own display, blanks included.
QString downloadInstructions();
QString uploadInstructions();

} // namespace kvt::keypad
