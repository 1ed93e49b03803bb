#include "ChoiceDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvt {

const ChoiceDialog::Choice ChoiceDialog::direction{
    "frmdirset",
    QStringLiteral("SET MOTOR FORWARD DIRECTION"),
    "lbldir",
    QStringLiteral("Please select motor direction to be considered as positive direction move "
                   ":-\n(Motor direction as seen facing the motor shaft )"),
    "optdir",
    {QStringLiteral("CLOCKWISE (CW)"), QStringLiteral("COUTER_CLOCKWISE (CCW)")},
    {QStringLiteral("CW"), QStringLiteral("CCW")},
    "cmddirset"};

const ChoiceDialog::Choice ChoiceDialog::sensorLogic{
    "frmsenlog",
    QStringLiteral("SET END LIMITS SENSOR LOGIC LEVEL "),
    "lblsenlog",
    QStringLiteral("PLEASE SELECT LOGIC LEVEL OF THE END LIMIT SENSORS  :-"),
    "optsenlog",
    {QStringLiteral("NORMALLY OPEN (NO)"), QStringLiteral("NORMALLY CLOSED (NC)")},
    {QStringLiteral("SEN.NO"), QStringLiteral("SEN.NC")},
    "cmdsenlog"};

ChoiceDialog* ChoiceDialog::open(QPointer<ChoiceDialog>& slot, const Choice& choice,
                                 SerialLink& link, Operator& op, const Timings& timings,
                                 QWidget* window)
{
    ChoiceDialog* dialog = reuseOrCreate(slot, choice, link, op, timings, window);
    dialog->present();
    return dialog;
}

ChoiceDialog::ChoiceDialog(const Choice& choice, SerialLink& link, Operator& op,
                           const Timings& timings, QWidget* parent)
    : SetupDialog(choice.name, choice.title, link, op, timings, parent), m_commands(choice.commands)
{
    QLabel* question = makeLabel(choice.labelName, choice.question);
    question->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    for (int i = 0; i < 2; ++i) {
        m_options[i] = new QRadioButton(choice.options[i], this);
        m_options[i]->setObjectName(QStringLiteral("%1_%2").arg(choice.optionName).arg(i));
        layout->addWidget(m_options[i]);
    }
    QPushButton* ok = makeButton(choice.okName, QStringLiteral("OK"));
    ok->setDefault(true);
    QPushButton* cancel = makeButton("cmdcancel", QStringLiteral("Cancel"));
    layout->addLayout(buttonRow(ok, cancel));

    connect(ok, &QPushButton::clicked, this, [this] {
        sendAndClose({{m_commands[m_options[0]->isChecked() ? 0 : 1], milliseconds{0}}});
    });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

} // namespace kvt
