#pragma once

#include "SetupDialog.h"

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;

namespace kvt {

// frmdirset: which shaft rotation the controller counts as forward. Opens
// with neither option chosen, as the controller's setting is not known; OK
// then sends "CCW", the same as choosing counter-clockwise.
//
// The KVT7 window keeps one in a QPointer<DirectionDialog> frmdirset and opens it with
//   DirectionDialog::open(frmdirset, link, op, timings);
class DirectionDialog : public SetupDialog {
    Q_OBJECT
public:
    // Reuses the dialog in slot as it stands or creates one, and shows it.
    static DirectionDialog* open(QPointer<DirectionDialog>& slot, SerialLink& link, Operator& op,
                                 const Timings& timings);

    DirectionDialog(SerialLink& link, Operator& op, const Timings& timings,
                    QWidget* parent = nullptr);

private:
    void cmddirset_Click();

    QLabel* lbldir = nullptr;
    std::array<QRadioButton*, 2> optdir{};
    QPushButton* cmddirset = nullptr;
    QPushButton* cmdcancel = nullptr;
};

} // namespace kvt
