#include "UploadedBlock.h"

#include "base/NumberText.h"

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

qsizetype endMarkerAt(const QString& collected, qsizetype from)
{
    return collected.indexOf(endMarker, from);
}

qsizetype lineEndAt(const QString& text, qsizetype from)
{
    static const QRegularExpression lineEnd(QStringLiteral("[\r\n]"));
    return text.indexOf(lineEnd, from);
}

UploadedBlock uploadedBlock(const QString& collected)
{
    // Everything when there is no marker: left() takes the whole text then.
    const qsizetype end = collected.indexOf(endMarker);
    QString text = collected.left(end);
    const qsizetype lineStart = text.lastIndexOf(QRegularExpression(QStringLiteral("[\r\n]"))) + 1;
    const QString lineCutAtEnd = end > lineStart ? text.mid(lineStart) : QString();
    QString droppedAfterEnd;
    if (end >= 0) {
        const qsizetype afterEnd = end + endMarker.size();
        const qsizetype lineEnd = lineEndAt(collected, afterEnd);
        droppedAfterEnd = collected.mid(afterEnd, lineEnd < 0 ? -1 : lineEnd - afterEnd);
    }
    const qsizetype marker = text.indexOf(programMarker);
    // Counted from where the marker's number starts, as the controllers'
    // software always read it; without a marker, from the fourth character.
    const qsizetype numberAt = marker < 0 ? 3 : marker + programMarker.size();
    const qsizetype firstCr = text.indexOf(u'\r');
    const int programNo = leadingNumber(text.mid(numberAt, firstCr < 0 ? 0 : firstCr + 1));

    for (qsizetype cr = text.indexOf(u'\r', qMax<qsizetype>(marker, 0)); cr >= 0;
         cr = text.indexOf(u'\r', cr + 2))
        text.insert(cr + 1, u'\n');
    return {text, programNo, lineCutAtEnd, droppedAfterEnd};
}

QString cutAtEndText(const UploadedBlock& block, const QString& missingFrom)
{
    const QString line = block.lineCutAtEnd + endMarker + block.droppedAfterEnd;
    if (!block.lineCutAtEnd.isEmpty())
        return QStringLiteral("the line \"%1\" holds \"END\", which ends an upload: the text was "
                              "cut there, and what the controller sent after it is not in %2")
            .arg(line, missingFrom);
    if (!block.droppedAfterEnd.isEmpty())
        return QStringLiteral("the line \"%1\" begins with \"END\", which ends an upload: \"%2\" "
                              "after it is not in %3")
            .arg(line, block.droppedAfterEnd, missingFrom);
    return {};
}

QString uploadCaption(int programNo)
{
    return QStringLiteral("EDITOR - Upload #") + (programNo < 0 ? QString() : QStringLiteral(" ")) +
           QString::number(programNo);
}

} // namespace kvt::program
