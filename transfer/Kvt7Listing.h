#pragma once

#include <QString>

namespace kvt::program {

// What the KVT7 answers to "DPn": the echo of the command, the listing lines
// with a ">" prompt before each, and "M30" with its line break at the end.
// These work on the text collected since "DPn" was sent.

// Drops the controller's echo: "DP", the digit and the six characters after
// them; without "DP", the first eight characters.
QString stripEcho(const QString& buffer);
// Removes the first ">" prompt and the two characters before it; false if none.
bool removeFirstPrompt(QString& buffer);
// Once "M30" and the character after it are there, ends the listing with
// "M30" and a CR LF and returns true. Prompts are still in the buffer then.
bool cutAtProgramEnd(QString& buffer);
// What the editor shows: "M31,n", a line break, the listing so far.
QString uploadedProgram(int program, const QString& listing);

} // namespace kvt::program
