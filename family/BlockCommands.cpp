#include "BlockCommands.h"

namespace kvt {

namespace {
// The upload commands follow the download commands, kind for kind.
constexpr int uploadOffset = 3;
} // namespace

QString downloadCommand(BlockKind kind)
{
    return QStringLiteral("S0%1").arg(int(kind));
}

QString uploadCommand(BlockKind kind)
{
    return QStringLiteral("S0%1").arg(int(kind) + uploadOffset);
}

QString blockKindName(BlockKind kind)
{
    return blockKindCaption(kind).toUpper();
}

QString blockKindCaption(BlockKind kind)
{
    switch (kind) {
    case BlockKind::Program:
        return QStringLiteral("Program");
    case BlockKind::Position:
        return QStringLiteral("Position Data");
    case BlockKind::Parameter:
        break;
    }
    return QStringLiteral("Parameter");
}

} // namespace kvt
