#pragma once

#include "SetupDialog.h"

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;

namespace kvt {

// frmsenlog: whether the end-limit sensors are normally open or normally
// closed. Opens with neither option chosen, as the controller's setting is not
// known; OK then sends "SEN.NC", the same as choosing normally closed.
//
// The KVT7 window keeps one in a QPointer<SensorLogicDialog> frmsenlog and opens it with
//   SensorLogicDialog::open(frmsenlog, link, op, timings);
class SensorLogicDialog : public SetupDialog {
    Q_OBJECT
public:
    // Reuses the dialog in slot as it stands or creates one, and shows it.
    static SensorLogicDialog* open(QPointer<SensorLogicDialog>& slot, SerialLink& link,
                                   Operator& op, const Timings& timings);

    SensorLogicDialog(SerialLink& link, Operator& op, const Timings& timings,
                      QWidget* parent = nullptr);

private:
    void cmdsenlog_Click();

    QLabel* lblsenlog = nullptr;
    std::array<QRadioButton*, 2> optsenlog{};
    QPushButton* cmdsenlog = nullptr;
    QPushButton* cmdcancel = nullptr;
};

} // namespace kvt
