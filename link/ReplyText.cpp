#include "ReplyText.h"

namespace kvt {

QString fromWire(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

QByteArray toWire(const QString& text)
{
    return text.toLatin1();
}

QString toControllerUpper(const QString& text)
{
    QString upper = text;
    for (QChar& c : upper) {
        const QChar u = c.toUpper();
        if (u.unicode() <= 0xff)
            c = u;
    }
    return upper;
}

QString keepNewestPieces(const QString& text, int maxPieces)
{
    const auto pieces = text.count(QLatin1Char('\r')) + 1;
    if (pieces <= maxPieces)
        return text;
    qsizetype start = 0;
    for (auto drop = pieces - maxPieces; drop > 0; --drop) {
        start = text.indexOf(QLatin1Char('\r'), start) + 1;
        if (start < text.size() && text.at(start) == QLatin1Char('\n'))
            ++start;
    }
    return text.mid(start);
}

} // namespace kvt
