#pragma once

#include <QString>

namespace kvt {

// The most a controller may send before it ends a program or a reply. One
// that never ends (a flood, a wrong speed) must not take the machine's memory
// with it; a real program is a small fraction of this.
inline constexpr qsizetype receiveLimitBytes = 1024 * 1024;

// The limit as the operator reads it in messages: "1 MiB".
inline QString receiveLimitText()
{
    return QStringLiteral("%1 MiB").arg(receiveLimitBytes / (1024 * 1024));
}

} // namespace kvt
