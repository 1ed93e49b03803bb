#include "ProgramText.h"

#include <algorithm>

namespace kvt {

QString ProgramText::withCrLf(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            out += QLatin1String("\r\n");
        } else if (c == u'\n') {
            out += QLatin1String("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

QString ProgramText::cut(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    QString kept = text.left(limit);
    if (kept.endsWith(u'\r'))
        kept.chop(1);
    return kept;
}

QString ProgramText::fileName(const QString& path)
{
#ifdef Q_OS_WIN
    const qsizetype separator = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
#else
    // A backslash is an ordinary character of a name here.
    const qsizetype separator = path.lastIndexOf(u'/');
#endif
    return path.mid(separator + 1);
}

ProgramText::Place ProgramText::placeOf(const QString& text, qsizetype index)
{
    Place place;
    for (qsizetype i = 0; i < index && i < text.size(); ++i) {
        if (text.at(i) == u'\n') {
            ++place.line;
            place.column = 1;
        } else if (text.at(i) != u'\r') {
            ++place.column;
        }
    }
    return place;
}

} // namespace kvt
