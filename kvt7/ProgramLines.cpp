#include "ProgramLines.h"

#include "link/ReplyText.h"

#include <QStringList>

namespace kvt::program {

QList<DownloadLine> downloadLines(const QString& editorText)
{
    // Lines end in CR LF; a lone CR or LF (text pasted from elsewhere) ends a
    // line too instead of swallowing the next character or going on the wire.
    QString text = toControllerUpper(editorText);
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    const QStringList rawLines = text.split(QLatin1Char('\r'));
    QList<DownloadLine> lines;
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
        const QString command =
            rawLines[i].section(QLatin1Char(' '), 0, 0).section(QLatin1Char('\t'), 0, 0);
        if (command.size() >= 2)
            lines.append({int(i + 1), command});
    }
    return lines;
}

QString stripEcho(const QString& buffer)
{
    const qsizetype echo = buffer.indexOf(QLatin1String("DP"));
    return echo >= 0 ? buffer.mid(echo + 9) : buffer.mid(8);
}

bool removeFirstPrompt(QString& buffer)
{
    const qsizetype prompt = buffer.indexOf(QLatin1Char('>'));
    if (prompt < 0)
        return false;
    const qsizetype from = qMax<qsizetype>(0, prompt - 2);
    buffer.remove(from, prompt + 1 - from);
    return true;
}

bool cutAtProgramEnd(QString& buffer)
{
    const qsizetype end = buffer.indexOf(QLatin1String("M30"));
    // Waits for the line break too, so the listing never ends in half of it.
    if (end < 0 || buffer.size() < end + 5)
        return false;
    buffer.truncate(end + 5);
    return true;
}

QString uploadedProgram(int program, const QString& listing)
{
    return QStringLiteral("M31,%1\r\n").arg(program) + listing;
}

} // namespace kvt::program
