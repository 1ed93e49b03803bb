#pragma once

#include <QGroupBox>

class QLabel;

namespace kvt {

class EditorPanel;
class ReplyDisplay;

// framoni of the KVT31/KVT33 and four-model windows: "MESSAGE  :-" above the
// reply display, where the controller's text and the transfers' status show.
class MessagePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit MessagePanel(ReplyDisplay* lblresponse, QWidget* parent = nullptr);

    // The window's whole working area: the editor panel, this panel beside it.
    static QWidget* besideEditor(EditorPanel* fraeditor, ReplyDisplay* lblresponse);

private:
    QLabel* Label4 = nullptr;
};

} // namespace kvt
