#pragma once

#include "SetupDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kvt {

class Spinner;

// frmspeed: the speed profile (start speed, maximum speed, acceleration) for
// normal running or for home search. The boxes open with the last values set,
// kept in Module1; Enter and the spinners store into the set being edited.
//
// The KVT7 window keeps one in a QPointer<SpeedDialog> frmspeed and opens it
// from its Setup menu with
//   SpeedDialog::open(frmspeed, SpeedDialog::Profile::Running, link, op, timings, this);
//   SpeedDialog::open(frmspeed, SpeedDialog::Profile::Homing, link, op, timings, this);
class SpeedDialog : public SetupDialog {
    Q_OBJECT
public:
    enum class Profile { Running, Homing };

    // Reuses the dialog in slot or creates one, prepares it for profile and
    // shows it. A dialog still sending its lines is only raised: it closes as
    // soon as they are out, and preparing it again would only flash the values.
    static SpeedDialog* open(QPointer<SpeedDialog>& slot, Profile profile, SerialLink& link,
                             Operator& op, const Timings& timings, QWidget* window = nullptr);

    SpeedDialog(SerialLink& link, Operator& op, const Timings& timings, QWidget* parent = nullptr);

    // Sets SpeedMaxLimit and HomeSpeedMode for profile and fills the boxes and
    // spinners from that profile's values.
    void prepare(Profile profile);

private:
    void cmdset_Click();
    static qint16& startSpeed();
    static qint16& maxSpeed();
    static qint16& accel();

    QLabel* lblstartsp = nullptr;
    QLabel* lblstartsprange = nullptr;
    QLabel* lblmaxsp = nullptr;
    QLabel* lblmaxsprange = nullptr;
    QLabel* lblaccel = nullptr;
    QLabel* lblaccelrange = nullptr;
    QLineEdit* txtstartsp = nullptr;
    QLineEdit* txtmaxsp = nullptr;
    QLineEdit* txtaccel = nullptr;
    Spinner* vsbstartsp = nullptr;
    Spinner* vsbmaxsp = nullptr;
    Spinner* vsbaccel = nullptr;
    QPushButton* cmdset = nullptr;
    QPushButton* cmdcancel = nullptr;
};

} // namespace kvt
