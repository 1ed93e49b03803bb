#include "ListingText.h"

#include <algorithm>

namespace kvt {

namespace {

const QString header = QStringLiteral("Filename  :  ");
const QString columnHeading = QStringLiteral("Line#       Command");

// One Print call: the string, broken at its line breaks, then the line end.
void print(QStringList& lines, const QString& text)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    lines.append(text.mid(start));
}

QString blanks(int count)
{
    return QString(count, u' ');
}

// Letter by letter, so that a line keeps its length and its columns.
QString upperCase(const QString& text)
{
    QString upper = text;
    for (QChar& c : upper)
        c = c.toUpper();
    return upper;
}

QString firstWord(const QString& line)
{
    QString word = line.left(line.indexOf(u' '));
    return word.left(word.indexOf(u'\t'));
}

} // namespace

QStringList ListingText::plain(const QString& text, const QString& filePath)
{
    QStringList lines;
    print(lines, header + filePath + QStringLiteral("\r\n"));
    print(lines, text);
    return lines;
}

QStringList ListingText::formatted(const QString& text, const QString& filePath, bool lineNumbers)
{
    QStringList lines;
    print(lines, blanks(10) + header + filePath + QStringLiteral("\r\n\n"));
    if (lineNumbers)
        print(lines, blanks(10) + columnHeading + QStringLiteral("\r\n"));

    const QString upper = upperCase(text);
    int number = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype cr = upper.indexOf(u'\r', from);
        const QString line = upper.mid(from, cr < 0 ? -1 : cr - from);
        if (lineNumbers && firstWord(line).size() > 1) {
            // One blank before the number: where a negative number's sign would go.
            print(lines, blanks(12) + u' ' + QString::number(number) + blanks(10) + line);
            ++number;
        } else {
            print(lines, blanks(24) + line);
        }
        if (cr < 0)
            break;
        // Past the CR and the character after it, the LF of the pair.
        from = std::min(cr + 2, upper.size());
    }
    return lines;
}

} // namespace kvt
