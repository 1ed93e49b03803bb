#include "UnsentTextHighlighter.h"

#include "transfer/ProgramLines.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace kvt {

UnsentTextHighlighter::UnsentTextHighlighter(QPlainTextEdit* textBox)
    : QSyntaxHighlighter(textBox->document()), m_textBox(textBox), m_dimmed(currentDimmed())
{
    // The panels repaint the text box when they turn active or grey.
    textBox->installEventFilter(this);
    // Drawn now rather than on the next pass of the event loop, where it would
    // no longer be quiet about it.
    redraw();
}

QColor UnsentTextHighlighter::dimmed(const QColor& text, const QColor& background)
{
    // Black on white comes out as a grey of 4.7:1 contrast, above the 4.5:1
    // that normal text needs to stay readable.
    constexpr float towardBackground = 0.45f;
    const auto mix = [](float from, float to) { return from + (to - from) * towardBackground; };
    return QColor::fromRgbF(mix(text.redF(), background.redF()),
                            mix(text.greenF(), background.greenF()),
                            mix(text.blueF(), background.blueF()));
}

QColor UnsentTextHighlighter::currentDimmed() const
{
    const QPalette& palette = m_textBox->palette();
    return dimmed(palette.color(QPalette::Text), palette.color(QPalette::Base));
}

void UnsentTextHighlighter::highlightBlock(const QString& text)
{
    // A block holds one program line, or several when a line separator came in
    // with the text: the download breaks the line there too.
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = text.indexOf(QChar::LineSeparator, lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        const QStringView line = QStringView(text).sliced(lineStart, lineEnd - lineStart);
        const qsizetype sent = program::sentLength(line);
        if (sent < line.size())
            setFormat(int(lineStart + sent), int(line.size() - sent), m_dimmed);
        lineStart = lineEnd + 1;
    }
}

void UnsentTextHighlighter::redraw()
{
    // Drawing the whole text again ends an edit block, and the document then
    // reports its contents changed though no character did; the editor would
    // take that for an edit the operator has to save.
    const QSignalBlocker quiet(document());
    rehighlight();
}

bool UnsentTextHighlighter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::PaletteChange && watched == m_textBox) {
        const QColor now = currentDimmed();
        if (now != m_dimmed) {
            m_dimmed = now;
            redraw();
        }
    }
    return QSyntaxHighlighter::eventFilter(watched, event);
}

} // namespace kvt
