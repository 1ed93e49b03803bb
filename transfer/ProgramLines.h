#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace kvt::program {

// One line of the editor as a download sees it: its place in the editor and
// its command, the first blank- and tab-free word of the upper-cased line.
struct ProgramLine {
    int index; // 0 for the editor's first line
    QString command;

    // A command of fewer than two characters is not sent; the families that
    // pause after every line still pause after it.
    bool isSent() const;
    friend bool operator==(const ProgramLine&, const ProgramLine&) = default;
};

// How many leading characters of one editor line, without its line break, go
// on the wire: its command's, or 0 when the line sends nothing. What the editor
// shows as sent has to be exactly what a download sends, so both ask here.
qsizetype sentLength(QStringView line);

// Every line of the editor's text in order, sent or not. Lines end in CR LF; a
// lone CR or LF (text pasted from elsewhere) ends a line too, instead of
// swallowing the next character or going on the wire.
QList<ProgramLine> programLines(const QString& editorText);
// Only the lines that go on the wire.
QList<ProgramLine> linesToSend(const QString& editorText);

} // namespace kvt::program
