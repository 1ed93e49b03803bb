#pragma once

#include "SetupDialog.h"

#include <array>

class QRadioButton;

namespace kvt {

// frmdirset and frmsenlog: a question with two options; OK sends the first
// option's command when the first is chosen, otherwise the second's. Both
// open with neither option chosen, as the controller's setting is not known.
class ChoiceDialog : public SetupDialog {
    Q_OBJECT
public:
    struct Choice {
        const char* name;
        QString title;
        const char* labelName;
        QString question;
        const char* optionName; // the options are optionName_0 and optionName_1
        std::array<QString, 2> options;
        std::array<QString, 2> commands;
        const char* okName;
    };
    // Which shaft rotation the controller counts as forward.
    static const Choice direction;
    // The logic level of the end-limit sensors.
    static const Choice sensorLogic;

    // Reuses the dialog in slot as it stands or creates one over window, and shows it.
    static ChoiceDialog* open(QPointer<ChoiceDialog>& slot, const Choice& choice, SerialLink& link,
                              Operator& op, const Timings& timings, QWidget* window = nullptr);

    ChoiceDialog(const Choice& choice, SerialLink& link, Operator& op, const Timings& timings,
                 QWidget* parent = nullptr);

private:
    std::array<QString, 2> m_commands;
    std::array<QRadioButton*, 2> m_options{};
};

} // namespace kvt
