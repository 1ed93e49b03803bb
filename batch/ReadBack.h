#pragma once

#include <QString>

namespace kvt::batch {

// "line 3: sent G00,+100, read back G00,+101": the first line whose command
// the controller gave back otherwise than it was sent, numbered as in the
// program file; empty when every command came back as sent.
QString firstDifference(const QString& sentText, const QString& readBackText);

// The n of the first "M31,n" among the commands, or fallback.
int programNumber(const QString& programText, int fallback);

} // namespace kvt::batch
