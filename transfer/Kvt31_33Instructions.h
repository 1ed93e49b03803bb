#pragma once

#include <QString>

namespace kvt::kvt31_33 {

// What the operator keys in on the controller before a transfer can start.
// The lines quote the controller's own display, blanks included.
QString downloadInstructions();
QString uploadInstructions();

} // namespace kvt::kvt31_33
