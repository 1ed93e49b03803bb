#pragma once

#include <QByteArray>
#include <QString>

namespace kvt {

// Text as it travels on the line: 8-bit, one byte per character.
QString fromWire(const QByteArray& bytes);
QByteArray toWire(const QString& text);

// Upper case for the controller: letters only, and only where the upper-case
// letter is still one 8-bit character (so a command never changes its length).
QString toControllerUpper(const QString& text);

// Keeps the newest maxPieces carriage-return-separated pieces of text.
// The line feed after a dropped carriage return goes with it; a bare
// carriage return drops only itself, so no character of the next line is lost.
QString keepNewestPieces(const QString& text, int maxPieces);

} // namespace kvt
