#pragma once

#include "SetupDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kvt {

class Spinner;

// frmjog: the jog speed. Opens with JogSpeed from Module1; Enter and the
// spinner store into it. OK sends "JOG" and then the box's text as typed.
//
// The KVT7 window keeps one in a QPointer<JogDialog> frmjog and opens it with
//   JogDialog::open(frmjog, link, op, timings, this);
class JogDialog : public SetupDialog {
    Q_OBJECT
public:
    // Reuses the dialog in slot as it stands (it is filled only when created)
    // or creates one, and shows it.
    static JogDialog* open(QPointer<JogDialog>& slot, SerialLink& link, Operator& op,
                           const Timings& timings, QWidget* window = nullptr);

    JogDialog(SerialLink& link, Operator& op, const Timings& timings, QWidget* parent = nullptr);

private:
    void cmdjogspeed_Click();

    QLabel* lbljogspeed = nullptr;
    QLineEdit* txtjogspeed = nullptr;
    Spinner* vsbjogspeed = nullptr;
    QPushButton* cmdjogspeed = nullptr;
    QPushButton* cmdcancel = nullptr;
};

} // namespace kvt
