#pragma once

#include "Kvt7Speeds.h"
#include "SetupDialog.h"

class QLineEdit;

namespace kvt {

class Spinner;

// frmjog: the jog speed. Opens with the window's jog speed; Enter and the
// spinner store into it. OK sends "JOG" and then the box's text as typed.
//
// The KVT7 window keeps one in a QPointer<JogDialog> and opens it with
//   JogDialog::open(m_jogDialog, m_speeds, link, op, timings, this);
class JogDialog : public SetupDialog {
    Q_OBJECT
public:
    // Reuses the dialog in slot as it stands (it is filled only when created)
    // or creates one, and shows it. speeds must outlive the dialog.
    static JogDialog* open(QPointer<JogDialog>& slot, Kvt7Speeds& speeds, SerialLink& link,
                           Operator& op, const Timings& timings, QWidget* window = nullptr);

    JogDialog(Kvt7Speeds& speeds, SerialLink& link, Operator& op, const Timings& timings,
              QWidget* parent = nullptr);

private:
    void sendJogSpeed();

    QLineEdit* m_speedBox = nullptr;
    Spinner* m_speedSpinner = nullptr;
};

} // namespace kvt
