#include "JogDialog.h"

#include "SetupSequences.h"
#include "Spinner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kvt {

namespace {
const QString jogTitle = QStringLiteral("Jog Speed Error");
const Message tooLow{QStringLiteral("Jog speed too low, please set again ! (100~4000 PPS)"),
                     jogTitle, MessageIcon::Exclamation, MessageButtons::Ok};
const Message tooHigh{QStringLiteral("Jog speed too high, please set again ! (100~4000 PPS)"),
                      jogTitle, MessageIcon::Exclamation, MessageButtons::Ok};
} // namespace

JogDialog* JogDialog::open(QPointer<JogDialog>& slot, Kvt7Speeds& speeds, SerialLink& link,
                           Operator& op, const Timings& timings, QWidget* window)
{
    JogDialog* dialog = reuseOrCreate(slot, speeds, link, op, timings, window);
    dialog->present();
    return dialog;
}

JogDialog::JogDialog(Kvt7Speeds& speeds, SerialLink& link, Operator& op, const Timings& timings,
                     QWidget* parent)
    : SetupDialog("frmjog", QStringLiteral("SET JOG SPEED"), link, op, timings, parent)
{
    QLabel* label = makeLabel("lbljogspeed", QStringLiteral("JOG SPEED      :: (100~4000 PPS) "));
    m_speedBox = makeNumberBox("txtjogspeed", 4, QStringLiteral("1000"));
    m_speedSpinner = new Spinner("vsbjogspeed", 100, 4000, 100, 1000, this);
    m_speedSpinner->setAccessibleName(QStringLiteral("Jog speed spinner"));
    label->setBuddy(m_speedBox);
    QPushButton* ok = makeButton("cmdjogspeed", QStringLiteral("OK"));
    ok->setDefault(true);
    QPushButton* cancel = makeButton("cmdcancel", QStringLiteral("Cancel"));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_speedBox);
    row->addWidget(m_speedSpinner);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttonRow(ok, cancel));

    {
        // Loading only shows the stored value; there is nothing new to store.
        const QSignalBlocker block(m_speedSpinner);
        m_speedBox->setText(QString::number(speeds.jog));
        m_speedSpinner->setNumber(speeds.jog);
    }

    const auto store = [&speeds](int value) { speeds.jog = value; };
    connect(m_speedBox, &QLineEdit::returnPressed, this,
            [this, store] { checkEntry(m_speedBox, m_speedSpinner, tooLow, tooHigh, store); });
    followSpinner(m_speedBox, m_speedSpinner, store);
    connect(ok, &QPushButton::clicked, this, &JogDialog::sendJogSpeed);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
}

void JogDialog::sendJogSpeed()
{
    // A value in range goes out exactly as typed; one the dialog calls out of
    // range is corrected first, as Enter would.
    if (!correctRange(m_speedBox, m_speedSpinner, tooLow, tooHigh))
        return;
    sendAndClose(setup::jogSequence(m_speedBox->text(), m_timings));
}

} // namespace kvt
