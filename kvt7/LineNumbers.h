#pragma once

#include <QLabel>

class QPlainTextEdit;

namespace kvt {

// lbleditlineno: beside the text box, the number of each line it shows,
// counted from 000 as the window has always numbered them, staying with its
// line as the text scrolls. The text of the label is the numbers shown, so a
// screen reader reads what the operator sees.
class LineNumbers : public QLabel {
    Q_OBJECT
public:
    explicit LineNumbers(QPlainTextEdit* editor, QWidget* parent = nullptr);

    // "000", "001" ...: how the window and its messages name a line.
    static QString lineName(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Shown {
        int index;
        int top; // in this label's coordinates
    };
    QList<Shown> shownLines() const;
    void refresh();
    void followEditorFont();

    QPlainTextEdit* m_editor;
};

} // namespace kvt
