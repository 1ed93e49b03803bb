#include "SensorLogicDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvt {

SensorLogicDialog* SensorLogicDialog::open(QPointer<SensorLogicDialog>& slot, SerialLink& link,
                                           Operator& op, const Timings& timings)
{
    SensorLogicDialog* dialog = reuseOrCreate(slot, link, op, timings);
    dialog->present();
    return dialog;
}

SensorLogicDialog::SensorLogicDialog(SerialLink& link, Operator& op, const Timings& timings,
                                     QWidget* parent)
    : SetupDialog("frmsenlog", QStringLiteral("SET END LIMITS SENSOR LOGIC LEVEL "), link, op,
                  timings, parent)
{
    lblsenlog = makeLabel("lblsenlog",
                          QStringLiteral("PLEASE SELECT LOGIC LEVEL OF THE END LIMIT SENSORS  :-"));
    lblsenlog->setWordWrap(true);
    const QString captions[] = {QStringLiteral("NORMALLY OPEN (NO)"),
                                QStringLiteral("NORMALLY CLOSED (NC)")};
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblsenlog);
    for (int i = 0; i < 2; ++i) {
        optsenlog[i] = new QRadioButton(captions[i], this);
        optsenlog[i]->setObjectName(QStringLiteral("optsenlog_%1").arg(i));
        layout->addWidget(optsenlog[i]);
    }
    cmdsenlog = makeButton("cmdsenlog", QStringLiteral("OK"));
    cmdcancel = makeButton("cmdcancel", QStringLiteral("Cancel"));
    layout->addLayout(buttonRow(cmdsenlog, cmdcancel));

    connect(cmdsenlog, &QPushButton::clicked, this, &SensorLogicDialog::cmdsenlog_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &QWidget::close);
}

void SensorLogicDialog::cmdsenlog_Click()
{
    sendAndClose({{optsenlog[0]->isChecked() ? QStringLiteral("SEN.NO") : QStringLiteral("SEN.NC"),
                   milliseconds{0}}});
}

} // namespace kvt
