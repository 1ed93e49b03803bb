#pragma once

#include <QLabel>

namespace kvt {

// lblresponse: what the controller answered, newest at the bottom, and the
// transfer's status texts. It keeps the newest pieces between carriage
// returns, as many as the window's design has room for.
class ReplyDisplay : public QLabel {
    Q_OBJECT
public:
    ReplyDisplay(int maxPieces, QWidget* parent = nullptr);

    // Received text, joined to what is shown, then trimmed to the newest pieces.
    void appendReceived(const QString& text);
    // A status text after what is shown, without a line break.
    void appendStatus(const QString& text);

private:
    int m_maxPieces;
};

} // namespace kvt
