#include "ProgramLines.h"

#include "base/ReplyText.h"
#include "base/Windows1252.h"

#include <QStringList>

namespace kvt::program {

namespace {

qsizetype commandLength(QStringView line)
{
    qsizetype length = 0;
    while (length < line.size() && line[length] != u' ' && line[length] != u'\t')
        ++length;
    return length;
}

} // namespace

bool ProgramLine::isSent() const
{
    return sentLength(command) > 0;
}

qsizetype sentLength(QStringView line)
{
    const qsizetype length = commandLength(line);
    return length >= 2 ? length : 0;
}

QList<ProgramLine> programLines(const QString& editorText)
{
    QString text = toControllerUpper(editorText);
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    const QStringList rawLines = text.split(QLatin1Char('\r'));
    QList<ProgramLine> lines;
    lines.reserve(rawLines.size());
    for (qsizetype i = 0; i < rawLines.size(); ++i)
        lines.append({int(i), rawLines[i].left(commandLength(rawLines[i]))});
    return lines;
}

QList<ProgramLine> linesToSend(const QString& editorText)
{
    QList<ProgramLine> lines = programLines(editorText);
    lines.removeIf([](const ProgramLine& line) { return !line.isSent(); });
    return lines;
}

std::optional<UnsendableCharacter> firstUnsendable(const QList<ProgramLine>& lines)
{
    for (const ProgramLine& line : lines) {
        if (!line.isSent())
            continue;
        const qsizetype at = Windows1252::firstUnencodable(line.command);
        if (at < 0)
            continue;
        const bool pair = line.command.at(at).isHighSurrogate() && at + 1 < line.command.size() &&
                          line.command.at(at + 1).isLowSurrogate();
        return UnsendableCharacter{line.index, line.command.mid(at, pair ? 2 : 1)};
    }
    return std::nullopt;
}

std::optional<EarlyEnd> earlyEnd(const QList<ProgramLine>& lines)
{
    std::optional<EarlyEnd> found;
    for (const ProgramLine& line : lines) {
        if (!line.isSent())
            continue;
        if (found)
            ++found->linesAfter;
        else if (line.command.startsWith(QLatin1String("END")))
            found = EarlyEnd{line, 0};
    }
    if (found && found->linesAfter == 0)
        return std::nullopt;
    return found;
}

} // namespace kvt::program
