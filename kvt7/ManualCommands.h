#pragma once

#include <QString>

namespace kvt::manual {

// The command lines the manual-mode buttons show and send. A button's caption
// is always exactly what it sends, so the operator reads the command first.

// "+####0;-####0": a sign always, digits without leading zeros or grouping.
QString signedValue(int value);

// G00, G10, G15, G16 with a signed step count: "G00,+2000".
QString moveCommand(const QString& code, int steps);
// G20, G21: "G20,3,-" (input number, direction sign; forward is "+").
QString searchCommand(const QString& code, int input, bool forward);
// M2n: "M21+" (output number, "+" for ON).
QString outputCommand(int output, bool on);
// "TRG2"
QString triggerCommand(int program);
// "DELP1"
QString deleteCommand(int program);
QString deleteQuestion(int program);

} // namespace kvt::manual
