#include "ReplyText.h"

#include "Windows1252.h"

namespace kvt {

QString fromWire(const QByteArray& bytes)
{
    return Windows1252::decode(bytes);
}

std::optional<QByteArray> toWire(const QString& text)
{
    return Windows1252::encode(text);
}

QString unsendableText(const QString& text)
{
    const qsizetype at = Windows1252::firstUnencodable(text);
    const QString character = at < 0 ? QString() : QString(text.at(at));
    return QStringLiteral("\"%1\" cannot be sent: the character \"%2\" (U+%3) has no code on the "
                          "serial line (Windows-1252). Nothing was sent.")
        .arg(text, character,
             QStringLiteral("%1")
                 .arg(at < 0 ? 0 : text.at(at).unicode(), 4, 16, QLatin1Char('0'))
                 .toUpper());
}

QString toControllerUpper(const QString& text)
{
    QString upper = text;
    for (QChar& c : upper) {
        const QChar u = c.toUpper();
        if (Windows1252::firstUnencodable(QString(u)) < 0)
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
