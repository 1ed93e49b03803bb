#pragma once

#include <QString>

namespace kvt::monitor {

inline constexpr int queryCount = 5;
inline constexpr int programDisplay = 4;

// The query a MONITOR button sends; PROGRAM DISPLAY asks for program.
QString query(int button, int program);

} // namespace kvt::monitor
