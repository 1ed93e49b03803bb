#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace kvt {

// Text as it travels on the line: Windows-1252, the code page of the program
// files too, one byte per character, so what is received can be saved and
// what is saved can be sent.
QString fromWire(const QByteArray& bytes);
// Nothing when a character has no byte in the code page: a command is never
// sent with a stand-in character.
std::optional<QByteArray> toWire(const QString& text);
// What the operator is told when text cannot go on the line.
QString unsendableText(const QString& text);

// Upper case for the controller: letters only, and only where the upper-case
// letter is still one character of the code page (so a command never changes
// its length).
QString toControllerUpper(const QString& text);

// Keeps the newest maxPieces carriage-return-separated pieces of text.
// The line feed after a dropped carriage return goes with it; a bare
// carriage return drops only itself, so no character of the next line is lost.
QString keepNewestPieces(const QString& text, int maxPieces);

} // namespace kvt
