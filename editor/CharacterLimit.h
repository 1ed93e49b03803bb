#pragma once

#include <QObject>
#include <QPointer>

class QTextCursor;
class QTextDocument;

namespace kvt {

// The change event of an editor text box, and the character limit the KVT7
// window puts on it. The limit counts characters as the controller and the
// program file see them, each line break being a CR LF pair of two.
//
// Watching the document rather than the keys catches every way in: input
// methods, the context menu, drag and drop, Paste, and text set by a command.
// What goes over the limit is taken from the end of the text just put in, and
// the cut joins the edit that caused it, so that one Undo takes back both.
// That needs the edit to be an edit block of its own, which a key typed at the
// caret is not: the text box's owner refuses such keys with fits() instead.
class CharacterLimit : public QObject {
    Q_OBJECT
public:
    // limit 0: no limit, only the change event.
    CharacterLimit(QTextDocument* document, qsizetype limit, QObject* parent = nullptr);

    // The text's length with every line break counted as two.
    static qsizetype length(const QTextDocument& document);

    // Whether weight characters put in at cursor, over its selection, stay
    // within the limit.
    bool fits(const QTextCursor& cursor, qsizetype weight) const;

Q_SIGNALS:
    // The text changed (txteditor_Change). An edit the limit took back whole,
    // such as a key typed at the limit, changed nothing and is not reported.
    void changed();

private:
    void noteChange(int position, int removed, int added);
    void enforce();
    // Removes characters from the end of [from, to) until excess is gone or the
    // range is used up; returns what is still over.
    qsizetype removeTail(int from, int to, qsizetype excess);

    QPointer<QTextDocument> m_document;
    qsizetype m_limit = 0;
    int m_position = 0;
    int m_removed = 0;
    int m_added = 0;
    bool m_trimming = false;
};

} // namespace kvt
