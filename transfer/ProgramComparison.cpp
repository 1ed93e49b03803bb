#include "ProgramComparison.h"

#include "ProgramLines.h"

namespace kvt::program {

ProgramComparison compareProgram(const QString& editorText, const QString& readBackText)
{
    const QList<ProgramLine> sent = linesToSend(editorText);
    const QList<ProgramLine> back = linesToSend(readBackText);
    ProgramComparison result;
    result.storedLines = int(back.size());
    const int lastLine = sent.isEmpty() ? 0 : sent.last().index + 1;
    for (qsizetype i = 0; i < qMax(sent.size(), back.size()); ++i) {
        ProgramComparison::Row row{
            i < sent.size() ? sent[i].index + 1 : lastLine + int(i - sent.size()) + 1, {}, {}};
        if (i < sent.size())
            row.editor = sent[i].command;
        if (i < back.size())
            row.controller = back[i].command;
        if (row.differs())
            result.differing.append(int(i));
        result.rows.append(row);
    }
    return result;
}

std::optional<int> programNumber(const QString& programText)
{
    for (const ProgramLine& line : linesToSend(programText)) {
        if (!line.command.startsWith(QLatin1String("M31,")))
            continue;
        bool ok = false;
        const int n = line.command.mid(4).toInt(&ok);
        return ok ? std::optional<int>(n) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace kvt::program
