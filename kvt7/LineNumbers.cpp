#include "LineNumbers.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

namespace kvt {

LineNumbers::LineNumbers(QPlainTextEdit* editor, QWidget* parent) : QLabel(parent), m_editor(editor)
{
    setObjectName(QStringLiteral("lbleditlineno"));
    followEditorFont();
    // The numbers stand level with the lines only in the editor's own font.
    editor->installEventFilter(this);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Scrolling, typing and resizing all end in an update of the text box.
    connect(editor, &QPlainTextEdit::updateRequest, this, &LineNumbers::refresh);
    connect(editor, &QPlainTextEdit::blockCountChanged, this, &LineNumbers::refresh);
    refresh();
}

void LineNumbers::followEditorFont()
{
    setFont(m_editor->font());
    setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")));
}

bool LineNumbers::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FontChange && watched == m_editor) {
        followEditorFont();
        refresh();
    }
    return QLabel::eventFilter(watched, event);
}

QString LineNumbers::lineName(int index)
{
    return QStringLiteral("%1").arg(index, 3, 10, QLatin1Char('0'));
}

QList<LineNumbers::Shown> LineNumbers::shownLines() const
{
    QList<Shown> shown;
    const QWidget* viewport = m_editor->viewport();
    const int offset = viewport->mapToGlobal(QPoint()).y() - mapToGlobal(QPoint()).y();
    for (QTextBlock block = m_editor->cursorForPosition(QPoint(0, 0)).block(); block.isValid();
         block = block.next()) {
        const int top = m_editor->cursorRect(QTextCursor(block)).top();
        if (top >= viewport->height())
            break;
        shown.append({block.blockNumber(), top + offset});
    }
    return shown;
}

void LineNumbers::refresh()
{
    QStringList names;
    for (const Shown& line : shownLines())
        names << lineName(line.index);
    const QString text = names.join(u'\n');
    if (text != this->text())
        setText(text);
    update();
}

void LineNumbers::paintEvent(QPaintEvent*)
{
    // Drawn at each line's own height, which a label's line spacing need not match.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int ascent = fontMetrics().ascent();
    for (const Shown& line : shownLines())
        painter.drawText(0, line.top + ascent, lineName(line.index));
}

} // namespace kvt
