#pragma once

#include <QColor>
#include <QPointer>
#include <QSyntaxHighlighter>

class QPlainTextEdit;

namespace kvt {

// Draws dimmed what a download of the text box would leave behind: a remark
// after the command, a line too short to be sent, so that a remark is never
// read as part of a command. Only the drawing changes: the text, its undo
// steps and its modified state stay as they are.
class UnsentTextHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit UnsentTextHighlighter(QPlainTextEdit* textBox);

    // The text box's text colour mixed toward its background: still readable
    // on each panel's colours, yet plainly weaker than a command.
    static QColor dimmed(const QColor& text, const QColor& background);

protected:
    void highlightBlock(const QString& text) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QColor currentDimmed() const;
    void redraw();

    QPointer<QPlainTextEdit> m_textBox;
    QColor m_dimmed;
};

} // namespace kvt
