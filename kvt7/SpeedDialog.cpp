#include "SpeedDialog.h"

#include "SetupSequences.h"
#include "Spinner.h"
#include "base/NumberText.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kvt {

namespace {
constexpr int runningMaxLimit = 15000;
constexpr int homingMaxLimit = 10000;

const Message outOfRange{QStringLiteral("Value out of range !"), QStringLiteral("DATA ERROR"),
                         MessageIcon::Exclamation, MessageButtons::Ok};
} // namespace

SpeedDialog* SpeedDialog::open(QPointer<SpeedDialog>& slot, SpeedProfile profile,
                               Kvt7Speeds& speeds, SerialLink& link, Operator& op,
                               const Timings& timings, QWidget* window)
{
    SpeedDialog* dialog = reuseOrCreate(slot, speeds, link, op, timings, window);
    if (!dialog->isSending())
        dialog->prepare(profile);
    dialog->present();
    return dialog;
}

SpeedDialog::SpeedDialog(Kvt7Speeds& speeds, SerialLink& link, Operator& op, const Timings& timings,
                         QWidget* parent)
    : SetupDialog("frmspeed", QStringLiteral("SET RUNNING SPEED PARAMETER"), link, op, timings,
                  parent),
      m_speeds(speeds)
{
    QLabel* startLabel = makeLabel("lblstartsp", QStringLiteral("START SPEED       ::"));
    QLabel* startRange = makeLabel("lblstartsprange", QStringLiteral("(100~4000 PPS)"));
    QLabel* maxLabel = makeLabel("lblmaxsp", QStringLiteral("MAXIMUM SPEED  ::"));
    // Fixed text: in home search it still names 15000 although the bound is 10000.
    QLabel* maxRange = makeLabel("lblmaxsprange", QStringLiteral("(1000 ~ 15000 PPS)"));
    QLabel* accelLabel = makeLabel("lblaccel", QStringLiteral("ACCEL / DECEL     ::"));
    QLabel* accelRange = makeLabel("lblaccelrange", QStringLiteral("(1~100 * 100msec)"));

    m_startBox = makeNumberBox("txtstartsp", 4, QStringLiteral("500"));
    m_maxBox = makeNumberBox("txtmaxsp", 5, QStringLiteral("1000"));
    m_accelBox = makeNumberBox("txtaccel", 3, QStringLiteral("1"));
    m_startSpinner = new Spinner("vsbstartsp", 100, 4000, 100, 1000, this);
    m_maxSpinner = new Spinner("vsbmaxsp", 1000, runningMaxLimit, 500, 1000, this);
    m_accelSpinner = new Spinner("vsbaccel", 1, 100, 1, 1, this);
    m_startSpinner->setNumber(500);
    m_maxSpinner->setNumber(1000);
    m_accelSpinner->setNumber(1);
    m_startSpinner->setAccessibleName(QStringLiteral("Start speed spinner"));
    m_maxSpinner->setAccessibleName(QStringLiteral("Maximum speed spinner"));
    m_accelSpinner->setAccessibleName(QStringLiteral("Acceleration spinner"));
    startLabel->setBuddy(m_startBox);
    maxLabel->setBuddy(m_maxBox);
    accelLabel->setBuddy(m_accelBox);

    QPushButton* ok = makeButton("cmdset", QStringLiteral("OK"));
    ok->setDefault(true);
    QPushButton* cancel = makeButton("cmdcancel", QStringLiteral("Cancel"));

    auto* grid = new QGridLayout;
    const auto addRow = [grid](int row, QLabel* caption, QLineEdit* box, Spinner* spinner,
                               QLabel* range) {
        grid->addWidget(caption, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(spinner, row, 2);
        grid->addWidget(range, row, 3);
    };
    addRow(0, startLabel, m_startBox, m_startSpinner, startRange);
    addRow(1, maxLabel, m_maxBox, m_maxSpinner, maxRange);
    addRow(2, accelLabel, m_accelBox, m_accelSpinner, accelRange);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttonRow(ok, cancel));

    const auto field = [this](QLineEdit* box, Spinner* spinner, int Kvt7Speeds::Profile::*value) {
        const auto store = [this, value](int number) { edited().*value = number; };
        connect(box, &QLineEdit::returnPressed, this,
                [=, this] { checkEntry(box, spinner, outOfRange, outOfRange, store); });
        followSpinner(box, spinner, store);
    };
    field(m_startBox, m_startSpinner, &Kvt7Speeds::Profile::start);
    field(m_maxBox, m_maxSpinner, &Kvt7Speeds::Profile::max);
    field(m_accelBox, m_accelSpinner, &Kvt7Speeds::Profile::accel);
    connect(ok, &QPushButton::clicked, this, &SpeedDialog::sendSpeeds);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

void SpeedDialog::prepare(SpeedProfile profile)
{
    m_profile = profile;
    const bool homing = profile == SpeedProfile::Homing;
    setWindowTitle(homing ? QStringLiteral("SET HOME SEARCH SPEED PARAMETER")
                          : QStringLiteral("SET RUNNING SPEED PARAMETER"));

    // Lowering the limit on a reused dialog pulls the spinner down; its change
    // would store the clamped number as the chosen profile's maximum.
    const QSignalBlocker blockStart(m_startSpinner);
    const QSignalBlocker blockMax(m_maxSpinner);
    const QSignalBlocker blockAccel(m_accelSpinner);
    m_maxSpinner->setHighest(homing ? homingMaxLimit : runningMaxLimit);
    const auto fill = [](QLineEdit* box, Spinner* spinner, int value) {
        box->setText(QString::number(value));
        spinner->setNumber(value);
    };
    const Kvt7Speeds::Profile& values = edited();
    fill(m_startBox, m_startSpinner, values.start);
    fill(m_maxBox, m_maxSpinner, values.max);
    fill(m_accelBox, m_accelSpinner, values.accel);
}

void SpeedDialog::sendSpeeds()
{
    // A value the dialog itself calls out of range must not reach the motor:
    // OK corrects it as Enter would. What is in range goes out as typed.
    for (auto [box, spinner] :
         {std::pair{m_startBox, m_startSpinner}, std::pair{m_maxBox, m_maxSpinner},
          std::pair{m_accelBox, m_accelSpinner}})
        if (!correctRange(box, spinner, outOfRange, outOfRange))
            return;
    const auto line = [](const QLineEdit* box) { return plainDecimal(numericValue(box->text())); };
    sendAndClose(setup::speedSequence(m_profile, line(m_startBox), line(m_maxBox), line(m_accelBox),
                                      m_timings));
}

} // namespace kvt
