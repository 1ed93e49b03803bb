#include "ProgramLines.h"

#include "link/ReplyText.h"

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

} // namespace kvt::program
