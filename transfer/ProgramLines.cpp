#include "ProgramLines.h"

#include "link/ReplyText.h"

#include <QStringList>

namespace kvt::program {

QList<ProgramLine> programLines(const QString& editorText)
{
    QString text = toControllerUpper(editorText);
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    const QStringList rawLines = text.split(QLatin1Char('\r'));
    QList<ProgramLine> lines;
    lines.reserve(rawLines.size());
    for (qsizetype i = 0; i < rawLines.size(); ++i)
        lines.append({int(i), rawLines[i].section(u' ', 0, 0).section(u'\t', 0, 0)});
    return lines;
}

QList<ProgramLine> linesToSend(const QString& editorText)
{
    QList<ProgramLine> lines = programLines(editorText);
    lines.removeIf([](const ProgramLine& line) { return !line.isSent(); });
    return lines;
}

} // namespace kvt::program
