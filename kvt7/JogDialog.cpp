#include "JogDialog.h"

#include "Spinner.h"
#include "shell/Module1.h"

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

void storeJogSpeed(int value)
{
    Module1::JogSpeed = qint16(value);
}
} // namespace

JogDialog* JogDialog::open(QPointer<JogDialog>& slot, SerialLink& link, Operator& op,
                           const Timings& timings, QWidget* window)
{
    JogDialog* dialog = reuseOrCreate(slot, link, op, timings, window);
    dialog->present();
    return dialog;
}

JogDialog::JogDialog(SerialLink& link, Operator& op, const Timings& timings, QWidget* parent)
    : SetupDialog("frmjog", QStringLiteral("SET JOG SPEED"), link, op, timings, parent)
{
    lbljogspeed = makeLabel("lbljogspeed", QStringLiteral("JOG SPEED      :: (100~4000 PPS) "));
    txtjogspeed = makeNumberBox("txtjogspeed", 4, QStringLiteral("1000"));
    vsbjogspeed = new Spinner("vsbjogspeed", 100, 4000, 100, 1000, this);
    vsbjogspeed->setAccessibleName(QStringLiteral("Jog speed spinner"));
    lbljogspeed->setBuddy(txtjogspeed);
    cmdjogspeed = makeButton("cmdjogspeed", QStringLiteral("OK"));
    cmdjogspeed->setDefault(true);
    cmdcancel = makeButton("cmdcancel", QStringLiteral("Cancel"));

    auto* row = new QHBoxLayout;
    row->addWidget(lbljogspeed);
    row->addWidget(txtjogspeed);
    row->addWidget(vsbjogspeed);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttonRow(cmdjogspeed, cmdcancel));

    {
        // Loading only shows the stored value; there is nothing new to store.
        const QSignalBlocker block(vsbjogspeed);
        txtjogspeed->setText(QString::number(Module1::JogSpeed));
        vsbjogspeed->setNumber(Module1::JogSpeed);
    }

    connect(txtjogspeed, &QLineEdit::returnPressed, this,
            [this] { checkEntry(txtjogspeed, vsbjogspeed, tooLow, tooHigh, storeJogSpeed); });
    followSpinner(txtjogspeed, vsbjogspeed, storeJogSpeed);
    connect(cmdjogspeed, &QPushButton::clicked, this, &JogDialog::cmdjogspeed_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &QWidget::close);
}

void JogDialog::cmdjogspeed_Click()
{
    // A value in range goes out exactly as typed; one the dialog calls out of
    // range is corrected first, as Enter would.
    if (!correctRange(txtjogspeed, vsbjogspeed, tooLow, tooHigh))
        return;
    sendAndClose(
        {{QStringLiteral("JOG"), m_timings.jogValuePause}, {txtjogspeed->text(), milliseconds{0}}});
}

} // namespace kvt
