#include "SpeedDialog.h"

#include "base/NumberText.h"

#include "Spinner.h"
#include "shell/Module1.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kvt {

namespace {
constexpr qint16 runningMaxLimit = 15000;
constexpr qint16 homingMaxLimit = 10000;

const Message outOfRange{QStringLiteral("Value out of range !"), QStringLiteral("DATA ERROR"),
                         MessageIcon::Exclamation, MessageButtons::Ok};
} // namespace

SpeedDialog* SpeedDialog::open(QPointer<SpeedDialog>& slot, Profile profile, SerialLink& link,
                               Operator& op, const Timings& timings, QWidget* window)
{
    SpeedDialog* dialog = reuseOrCreate(slot, link, op, timings, window);
    if (!dialog->isSending())
        dialog->prepare(profile);
    dialog->present();
    return dialog;
}

SpeedDialog::SpeedDialog(SerialLink& link, Operator& op, const Timings& timings, QWidget* parent)
    : SetupDialog("frmspeed", QStringLiteral("SET RUNNING SPEED PARAMETER"), link, op, timings,
                  parent)
{
    lblstartsp = makeLabel("lblstartsp", QStringLiteral("START SPEED       ::"));
    lblstartsprange = makeLabel("lblstartsprange", QStringLiteral("(100~4000 PPS)"));
    lblmaxsp = makeLabel("lblmaxsp", QStringLiteral("MAXIMUM SPEED  ::"));
    // Fixed text: in home search it still names 15000 although the bound is 10000.
    lblmaxsprange = makeLabel("lblmaxsprange", QStringLiteral("(1000 ~ 15000 PPS)"));
    lblaccel = makeLabel("lblaccel", QStringLiteral("ACCEL / DECEL     ::"));
    lblaccelrange = makeLabel("lblaccelrange", QStringLiteral("(1~100 * 100msec)"));

    txtstartsp = makeNumberBox("txtstartsp", 4, QStringLiteral("500"));
    txtmaxsp = makeNumberBox("txtmaxsp", 5, QStringLiteral("1000"));
    txtaccel = makeNumberBox("txtaccel", 3, QStringLiteral("1"));
    vsbstartsp = new Spinner("vsbstartsp", 100, 4000, 100, 1000, this);
    vsbmaxsp = new Spinner("vsbmaxsp", 1000, runningMaxLimit, 500, 1000, this);
    vsbaccel = new Spinner("vsbaccel", 1, 100, 1, 1, this);
    vsbstartsp->setNumber(500);
    vsbmaxsp->setNumber(1000);
    vsbaccel->setNumber(1);
    vsbstartsp->setAccessibleName(QStringLiteral("Start speed spinner"));
    vsbmaxsp->setAccessibleName(QStringLiteral("Maximum speed spinner"));
    vsbaccel->setAccessibleName(QStringLiteral("Acceleration spinner"));
    lblstartsp->setBuddy(txtstartsp);
    lblmaxsp->setBuddy(txtmaxsp);
    lblaccel->setBuddy(txtaccel);

    cmdset = makeButton("cmdset", QStringLiteral("OK"));
    cmdset->setDefault(true);
    cmdcancel = makeButton("cmdcancel", QStringLiteral("Cancel"));

    auto* grid = new QGridLayout;
    const auto addRow = [grid](int row, QLabel* caption, QLineEdit* box, Spinner* spinner,
                               QLabel* range) {
        grid->addWidget(caption, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(spinner, row, 2);
        grid->addWidget(range, row, 3);
    };
    addRow(0, lblstartsp, txtstartsp, vsbstartsp, lblstartsprange);
    addRow(1, lblmaxsp, txtmaxsp, vsbmaxsp, lblmaxsprange);
    addRow(2, lblaccel, txtaccel, vsbaccel, lblaccelrange);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttonRow(cmdset, cmdcancel));

    connect(txtstartsp, &QLineEdit::returnPressed, this, [this] {
        checkEntry(txtstartsp, vsbstartsp, outOfRange, outOfRange,
                   [](int value) { startSpeed() = qint16(value); });
    });
    connect(txtmaxsp, &QLineEdit::returnPressed, this, [this] {
        checkEntry(txtmaxsp, vsbmaxsp, outOfRange, outOfRange,
                   [](int value) { maxSpeed() = qint16(value); });
    });
    connect(txtaccel, &QLineEdit::returnPressed, this, [this] {
        checkEntry(txtaccel, vsbaccel, outOfRange, outOfRange,
                   [](int value) { accel() = qint16(value); });
    });
    followSpinner(txtstartsp, vsbstartsp, [](int value) { startSpeed() = qint16(value); });
    followSpinner(txtmaxsp, vsbmaxsp, [](int value) { maxSpeed() = qint16(value); });
    followSpinner(txtaccel, vsbaccel, [](int value) { accel() = qint16(value); });
    connect(cmdset, &QPushButton::clicked, this, &SpeedDialog::cmdset_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &QWidget::close);
}

qint16& SpeedDialog::startSpeed()
{
    return isTrue(Module1::HomeSpeedMode) ? Module1::HomeStartSpeed : Module1::RunStartSpeed;
}

qint16& SpeedDialog::maxSpeed()
{
    return isTrue(Module1::HomeSpeedMode) ? Module1::HomeMaxSpeed : Module1::RunMaxSpeed;
}

qint16& SpeedDialog::accel()
{
    return isTrue(Module1::HomeSpeedMode) ? Module1::HomeAccel : Module1::RunAccel;
}

void SpeedDialog::prepare(Profile profile)
{
    const bool homing = profile == Profile::Homing;
    Module1::SpeedMaxLimit = homing ? homingMaxLimit : runningMaxLimit;
    Module1::HomeSpeedMode = homing ? True : False;
    setWindowTitle(homing ? QStringLiteral("SET HOME SEARCH SPEED PARAMETER")
                          : QStringLiteral("SET RUNNING SPEED PARAMETER"));

    // Lowering the limit on a reused dialog pulls the spinner down; its change
    // would store the clamped number as the chosen profile's maximum.
    const QSignalBlocker blockStart(vsbstartsp);
    const QSignalBlocker blockMax(vsbmaxsp);
    const QSignalBlocker blockAccel(vsbaccel);
    vsbmaxsp->setHighest(Module1::SpeedMaxLimit);
    const auto fill = [](QLineEdit* box, Spinner* spinner, qint16 value) {
        box->setText(QString::number(value));
        spinner->setNumber(value);
    };
    fill(txtstartsp, vsbstartsp, startSpeed());
    fill(txtmaxsp, vsbmaxsp, maxSpeed());
    fill(txtaccel, vsbaccel, accel());
}

void SpeedDialog::cmdset_Click()
{
    // A value the dialog itself calls out of range must not reach the motor:
    // OK corrects it as Enter would. What is in range goes out as typed.
    for (auto [box, spinner] : {std::pair{txtstartsp, vsbstartsp}, std::pair{txtmaxsp, vsbmaxsp},
                                std::pair{txtaccel, vsbaccel}})
        if (!correctRange(box, spinner, outOfRange, outOfRange))
            return;
    const milliseconds pause = m_timings.speedLinePause;
    const auto line = [](const QLineEdit* box) { return plainDecimal(numericValue(box->text())); };
    sendAndClose(
        {{isTrue(Module1::HomeSpeedMode) ? QStringLiteral("PROFH") : QStringLiteral("PROF"), pause},
         {line(txtstartsp), pause},
         {line(txtmaxsp), pause},
         {line(txtaccel), milliseconds{0}}});
}

} // namespace kvt
