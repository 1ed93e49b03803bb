#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kvt {

// The 8-bit code page of the PCs the controllers grew up with, and so of every
// program file and of the serial line. Every byte has a character, the five bytes Windows leaves
// unassigned included (they stand for the C1 controls of the same number), so
// decoding and encoding any bytes gives them back unchanged; a program file
// holding one is refused where it is read (ProgramFile).
class Windows1252 {
public:
    static QString decode(const QByteArray& bytes);

    // Nothing when a character has no byte: a program must never change behind
    // its author's back, so there is no stand-in character.
    static std::optional<QByteArray> encode(const QString& text);

    // Index of the first character (or lone surrogate) the code page cannot
    // hold, or -1 when it holds them all.
    static qsizetype firstUnencodable(const QString& text);
};

} // namespace kvt
