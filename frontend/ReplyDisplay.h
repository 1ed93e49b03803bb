#pragma once

#include <QLabel>

namespace kvt {

// lblresponse: what the controller answered, newest at the bottom, and the
// transfer's status texts. It keeps the newest pieces between carriage
// returns, as many as the window's design has room for. Screen readers are
// told each change as text that left and text that arrived, so a reader can
// speak the new reply instead of the whole display again.
class ReplyDisplay : public QLabel {
    Q_OBJECT
public:
    ReplyDisplay(int maxPieces, QWidget* parent = nullptr);

    // Received text, joined to what is shown, then trimmed to the newest pieces.
    void appendReceived(const QString& text);
    // A status text after what is shown, without a line break.
    void appendStatus(const QString& text);
    // Hides QLabel::setText so that replacing the display is announced too;
    // callers hold a ReplyDisplay.
    void setText(const QString& text);

    // How the display went from before to now: the text that left its front
    // and the text that arrived at its end. appended counts the characters
    // added at the end, -1 when now replaces everything.
    struct Change {
        QString removed;
        qsizetype insertedAt = 0;
        QString inserted;
        bool operator==(const Change&) const = default;
    };
    static Change changeOf(const QString& before, const QString& now, qsizetype appended);

private:
    void show(const QString& now, qsizetype appended);

    int m_maxPieces;
};

} // namespace kvt
