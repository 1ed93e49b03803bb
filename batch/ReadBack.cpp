#include "ReadBack.h"

#include "transfer/ProgramLines.h"

namespace kvt::batch {

QString firstDifference(const QString& sentText, const QString& readBackText)
{
    // Compared as they go on the wire: the first word, upper-cased; blank
    // lines and comments after the command never reach the controller.
    const QList<program::ProgramLine> sent = program::linesToSend(sentText);
    const QList<program::ProgramLine> back = program::linesToSend(readBackText);
    const auto nothing = QStringLiteral("nothing");
    for (qsizetype i = 0; i < qMax(sent.size(), back.size()); ++i) {
        const QString s = i < sent.size() ? sent[i].command : nothing;
        const QString b = i < back.size() ? back[i].command : nothing;
        if (s == b)
            continue;
        // Past the end of what was sent, counted on from its last line.
        const int line = i < sent.size()  ? sent[i].index + 1
                         : sent.isEmpty() ? int(i) + 1
                                          : sent.last().index + 1 + int(i - sent.size()) + 1;
        return QStringLiteral("line %1: sent %2, read back %3").arg(line).arg(s, b);
    }
    return {};
}

int programNumber(const QString& programText, int fallback)
{
    for (const program::ProgramLine& line : program::linesToSend(programText)) {
        if (!line.command.startsWith(QLatin1String("M31,")))
            continue;
        bool ok = false;
        const int n = line.command.mid(4).toInt(&ok);
        return ok ? n : fallback;
    }
    return fallback;
}

} // namespace kvt::batch
