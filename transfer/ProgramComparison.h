#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace kvt::program {

// The program in the editor beside the one a controller gave back, both as
// the controller stores them: the commands that go on the wire, so remarks,
// blank lines and letter case never count as a difference.
struct ProgramComparison {
    struct Row {
        // The editor's line number, from 1; past the editor's last command,
        // counted on from its last line.
        int line;
        std::optional<QString> editor;     // none: the editor has no more commands
        std::optional<QString> controller; // none: the controller has no more
        bool differs() const { return editor != controller; }
    };

    QList<Row> rows;
    QList<int> differing; // indexes into rows, in order
    int storedLines = 0;  // the commands the controller gave back

    bool isEqual() const { return differing.isEmpty(); }
};

ProgramComparison compareProgram(const QString& editorText, const QString& readBackText);

// The n of the first "M31,n" among the commands; none when there is no such
// line or its n is no number.
std::optional<int> programNumber(const QString& programText);

} // namespace kvt::program
