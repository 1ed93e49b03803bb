#pragma once

#include <QList>
#include <QString>

namespace kvt::program {

// One program line as a download sends it: its number in the editor (from 1)
// and the command, the first word of the upper-cased line.
struct DownloadLine {
    int lineNumber;
    QString command;

    friend bool operator==(const DownloadLine&, const DownloadLine&) = default;
};

// The commands a download sends for the editor's text: each line upper-cased,
// cut at its first blank and then at its first tab; what is shorter than two
// characters is not sent.
QList<DownloadLine> downloadLines(const QString& editorText);

// Upload parsing, applied to the text collected since "DPn" was sent.

// Drops the controller's echo: "DP", the digit and the six characters after
// them; without "DP", the first eight characters.
QString stripEcho(const QString& buffer);
// Removes the first ">" prompt and the two characters before it; false if none.
bool removeFirstPrompt(QString& buffer);
// Once "M30" and the line break after it are there, cuts the listing after
// them and returns true.
bool cutAtProgramEnd(QString& buffer);
// What the editor shows: "M31,n", a line break, the listing so far.
QString uploadedProgram(int program, const QString& listing);

} // namespace kvt::program
