#include "ListingPrinter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace kvt {

namespace {

// A page at a time, starting a new one when the current one is full.
class PageWriter {
public:
    PageWriter(QPrinter& printer, QPainter& painter)
        : m_printer(printer), m_painter(painter), m_metrics(painter.font(), &printer),
          m_area(printer.pageLayout().paintRectPixels(printer.resolution()).size()),
          m_columns(std::max(1, int(m_area.width() / m_metrics.horizontalAdvance(u'M'))))
    {
    }

    bool newPage()
    {
        m_y = 0;
        return m_printer.newPage();
    }

    bool line(const QString& text)
    {
        qsizetype from = 0;
        do {
            if (m_y > 0 && m_y + m_metrics.height() > m_area.height() && !newPage())
                return false;
            m_painter.drawText(QPointF(0, m_y + m_metrics.ascent()), text.mid(from, m_columns));
            m_y += m_metrics.lineSpacing();
            from += m_columns;
        } while (from < text.size());
        return true;
    }

private:
    QPrinter& m_printer;
    QPainter& m_painter;
    QFontMetricsF m_metrics;
    QSizeF m_area;
    qsizetype m_columns;
    qreal m_y = 0;
};

} // namespace

QFont ListingPrinter::font(int pointSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(pointSize);
    return font;
}

bool ListingPrinter::print(QPrinter& printer, const QStringList& lines, int pointSize)
{
    const int copies = std::max(1, printer.copyCount());
    // The copies are ours; a printer that also made them would multiply them.
    printer.setCopyCount(1);
    bool ok = true;
    {
        QPainter painter;
        ok = painter.begin(&printer);
        if (ok) {
            painter.setFont(QFont(font(pointSize), &printer));
            PageWriter page(printer, painter);
            for (int copy = 0; ok && copy < copies; ++copy) {
                if (copy > 0)
                    ok = page.newPage();
                for (qsizetype i = 0; ok && i < lines.size(); ++i)
                    ok = page.line(lines.at(i));
            }
            ok = painter.end() && ok;
        }
    }
    // The dialog offers the same count next time.
    printer.setCopyCount(copies);
    return ok && printer.printerState() != QPrinter::Error &&
           printer.printerState() != QPrinter::Aborted;
}

} // namespace kvt
