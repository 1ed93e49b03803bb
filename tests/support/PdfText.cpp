#include "PdfText.h"

#include <QProcess>

#include <algorithm>

namespace kvt::test {

namespace {

QStringList shape(const QStringList& lines)
{
    QStringList shaped;
    for (QString line : lines) {
        while (line.endsWith(u' '))
            line.chop(1);
        if (!line.isEmpty() || (!shaped.isEmpty() && !shaped.constLast().isEmpty()))
            shaped.append(line);
    }
    while (!shaped.isEmpty() && shaped.constLast().isEmpty())
        shaped.removeLast();
    qsizetype margin = -1;
    for (const QString& line : std::as_const(shaped)) {
        const qsizetype indent = line.size() - QStringView(line).trimmed().size();
        if (!line.isEmpty())
            margin = margin < 0 ? indent : std::min(margin, indent);
    }
    for (QString& line : shaped)
        line.remove(0, std::max<qsizetype>(0, margin));
    return shaped;
}

} // namespace

QList<QStringList> PdfText::pages(const QString& pdf, double columnWidth)
{
    QProcess pdftotext;
    pdftotext.start(
        QStringLiteral("pdftotext"),
        {QStringLiteral("-fixed"), QString::number(columnWidth), pdf, QStringLiteral("-")});
    if (!pdftotext.waitForFinished() || pdftotext.exitStatus() != QProcess::NormalExit ||
        pdftotext.exitCode() != 0)
        return {};
    QStringList text = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(u'\f');
    // Every page ends with a form feed, the last one included.
    text.removeLast();
    QList<QStringList> pages;
    for (const QString& page : std::as_const(text))
        pages.append(shape(page.split(u'\n')));
    return pages;
}

} // namespace kvt::test
