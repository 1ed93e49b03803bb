#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

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

// A character of a sent command that the line to the controller cannot carry.
struct UnsendableCharacter {
    int index;         // the editor line, 0 for the first
    QString character; // whole: a character beyond 16 bits is two units
    friend bool operator==(const UnsendableCharacter&, const UnsendableCharacter&) = default;
};
// The first one in the lines as given; what is never sent (a remark after
// the blank, a line too short to send) does not count. A download stopped at
// such a line would leave the controller inside an open block, so the whole
// program is looked at before its first byte.
std::optional<UnsendableCharacter> firstUnsendable(const QList<ProgramLine>& lines);

// A sent command beginning with END, which ends the controller's storing:
// the sent lines after it never reach the program.
struct EarlyEnd {
    ProgramLine line;
    int linesAfter; // sent lines that follow it
    friend bool operator==(const EarlyEnd&, const EarlyEnd&) = default;
};
// The first one that some sent line follows; an END with nothing after it
// loses nothing.
std::optional<EarlyEnd> earlyEnd(const QList<ProgramLine>& lines);

} // namespace kvt::program
