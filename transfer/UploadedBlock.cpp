#include "UploadedBlock.h"

#include <cmath>
#include <limits>

namespace kvt::program {

namespace {
const QString endMarker = QStringLiteral("END");
const QString programMarker = QStringLiteral("M31,");

// The number at the start of text: blanks, a sign, digits and a fraction as
// far as they go, rounded half to even; 0 when there is none or it does not
// fit the 16 bits the number has always been kept in.
int leadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    if (i < text.size() && text[i] == u'.')
        for (++i; i < text.size() && text[i].isDigit() && text[i].unicode() < 128;)
            ++i;
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    if (!ok)
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return 0;
    return int(rounded);
}
} // namespace

bool hasEndMarker(const QString& collected)
{
    return collected.contains(endMarker);
}

UploadedBlock uploadedBlock(const QString& collected)
{
    QString text = collected.left(collected.indexOf(endMarker) < 0 ? collected.size()
                                                                   : collected.indexOf(endMarker));
    const qsizetype marker = text.indexOf(programMarker);
    // Counted from where the marker's number starts, as the controllers'
    // software always read it; without a marker, from the fourth character.
    const qsizetype numberAt = marker < 0 ? 3 : marker + programMarker.size();
    const qsizetype firstCr = text.indexOf(u'\r');
    const int programNo = leadingNumber(text.mid(numberAt, firstCr < 0 ? 0 : firstCr + 1));

    for (qsizetype cr = text.indexOf(u'\r', qMax<qsizetype>(marker, 0)); cr >= 0;
         cr = text.indexOf(u'\r', cr + 2))
        text.insert(cr + 1, u'\n');
    return {text, programNo};
}

QString uploadCaption(int programNo)
{
    return QStringLiteral("EDITOR - Upload #") + (programNo < 0 ? QString() : QStringLiteral(" ")) +
           QString::number(programNo);
}

} // namespace kvt::program
