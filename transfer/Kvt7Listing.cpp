#include "Kvt7Listing.h"

namespace kvt::program {

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
    // Waits for one character after it, so "M3" + "0" split over two reads is
    // not taken for the end too early; what follows (its line break, a prompt
    // glued to it) never belongs to the listing, so the end does not depend
    // on how the reply was split.
    if (end < 0 || buffer.size() < end + 4)
        return false;
    buffer = buffer.left(end + 3) + QLatin1String("\r\n");
    return true;
}

QString uploadedProgram(int program, const QString& listing)
{
    return QStringLiteral("M31,%1\r\n").arg(program) + listing;
}

} // namespace kvt::program
