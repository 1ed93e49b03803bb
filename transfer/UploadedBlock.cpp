#include "UploadedBlock.h"

#include "link/NumberText.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace kvt::program {

namespace {
const QString endMarker = QStringLiteral("END");
const QString programMarker = QStringLiteral("M31,");

// The number at the start of text, rounded half to even; 0 when there is
// none or it does not fit the 16 bits the number has always been kept in.
int leadingNumber(const QString& text)
{
    const double rounded = std::nearbyint(numericValue(text));
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
    // Everything when there is no marker: left() takes the whole text then.
    const qsizetype end = collected.indexOf(endMarker);
    QString text = collected.left(end);
    const qsizetype lineStart = text.lastIndexOf(QRegularExpression(QStringLiteral("[\r\n]"))) + 1;
    const QString lineCutAtEnd = end > lineStart ? text.mid(lineStart) : QString();
    const qsizetype marker = text.indexOf(programMarker);
    // Counted from where the marker's number starts, as the controllers'
    // software always read it; without a marker, from the fourth character.
    const qsizetype numberAt = marker < 0 ? 3 : marker + programMarker.size();
    const qsizetype firstCr = text.indexOf(u'\r');
    const int programNo = leadingNumber(text.mid(numberAt, firstCr < 0 ? 0 : firstCr + 1));

    for (qsizetype cr = text.indexOf(u'\r', qMax<qsizetype>(marker, 0)); cr >= 0;
         cr = text.indexOf(u'\r', cr + 2))
        text.insert(cr + 1, u'\n');
    return {text, programNo, lineCutAtEnd};
}

QString uploadCaption(int programNo)
{
    return QStringLiteral("EDITOR - Upload #") + (programNo < 0 ? QString() : QStringLiteral(" ")) +
           QString::number(programNo);
}

} // namespace kvt::program
