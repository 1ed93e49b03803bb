#pragma once

#include <QString>

#include <array>

namespace kvt {

// What a four-model controller keeps in blocks of its own.
enum class BlockKind { Program, Position, Parameter };
inline constexpr std::array<BlockKind, 3> blockKinds{BlockKind::Program, BlockKind::Position,
                                                     BlockKind::Parameter};

// The command that opens a block download: S00, S01, S02.
QString downloadCommand(BlockKind kind);
// The command that asks for a block: S03, S04, S05.
QString uploadCommand(BlockKind kind);
// As the boxes name it: "PROGRAM", "POSITION DATA", "PARAMETER".
QString blockKindName(BlockKind kind);
// As the menus name it: "Program", "Position Data", "Parameter".
QString blockKindCaption(BlockKind kind);

} // namespace kvt
