#pragma once

#include "Kvt7Speeds.h"
#include "SetupDialog.h"

class QLineEdit;

namespace kvt {

class Spinner;

// frmspeed: the speed profile (start speed, maximum speed, acceleration) for
// normal running or for home search. The boxes open with the last values set,
// kept in the window's speeds; Enter and the spinners store into the profile
// being edited.
//
// The KVT7 window keeps one in a QPointer<SpeedDialog> and opens it from its
// Setup menu with
//   SpeedDialog::open(m_speedDialog, SpeedProfile::Running, m_speeds, link, op, timings, this);
class SpeedDialog : public SetupDialog {
    Q_OBJECT
public:
    // Reuses the dialog in slot or creates one, prepares it for profile and
    // shows it. A dialog still sending its lines is only raised: it closes as
    // soon as they are out, and preparing it again would only flash the values.
    // speeds must outlive the dialog.
    static SpeedDialog* open(QPointer<SpeedDialog>& slot, SpeedProfile profile, Kvt7Speeds& speeds,
                             SerialLink& link, Operator& op, const Timings& timings,
                             QWidget* window = nullptr);

    SpeedDialog(Kvt7Speeds& speeds, SerialLink& link, Operator& op, const Timings& timings,
                QWidget* parent = nullptr);

    // Makes profile the one edited, with its own maximum-speed bound, and fills
    // the boxes and spinners from its values.
    void prepare(SpeedProfile profile);

private:
    void sendSpeeds();
    Kvt7Speeds::Profile& edited() { return m_speeds.of(m_profile); }

    Kvt7Speeds& m_speeds;
    SpeedProfile m_profile = SpeedProfile::Running;
    QLineEdit* m_startBox = nullptr;
    QLineEdit* m_maxBox = nullptr;
    QLineEdit* m_accelBox = nullptr;
    Spinner* m_startSpinner = nullptr;
    Spinner* m_maxSpinner = nullptr;
    Spinner* m_accelSpinner = nullptr;
};

} // namespace kvt
