#include "DirectionDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvt {

DirectionDialog* DirectionDialog::open(QPointer<DirectionDialog>& slot, SerialLink& link,
                                       Operator& op, const Timings& timings)
{
    DirectionDialog* dialog = reuseOrCreate(slot, link, op, timings);
    dialog->present();
    return dialog;
}

DirectionDialog::DirectionDialog(SerialLink& link, Operator& op, const Timings& timings,
                                 QWidget* parent)
    : SetupDialog("frmdirset", QStringLiteral("SET MOTOR FORWARD DIRECTION"), link, op, timings,
                  parent)
{
    lbldir = makeLabel(
        "lbldir", QStringLiteral("Please select motor direction to be considered as positive "
                                 "direction move :-\n(Motor direction as seen facing the motor "
                                 "shaft )"));
    lbldir->setWordWrap(true);
    const QString captions[] = {QStringLiteral("CLOCKWISE (CW)"),
                                QStringLiteral("COUTER_CLOCKWISE (CCW)")};
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbldir);
    for (int i = 0; i < 2; ++i) {
        optdir[i] = new QRadioButton(captions[i], this);
        optdir[i]->setObjectName(QStringLiteral("optdir_%1").arg(i));
        layout->addWidget(optdir[i]);
    }
    cmddirset = makeButton("cmddirset", QStringLiteral("OK"));
    cmdcancel = makeButton("cmdcancel", QStringLiteral("Cancel"));
    layout->addLayout(buttonRow(cmddirset, cmdcancel));

    connect(cmddirset, &QPushButton::clicked, this, &DirectionDialog::cmddirset_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &QWidget::close);
}

void DirectionDialog::cmddirset_Click()
{
    sendAndClose(
        {{optdir[0]->isChecked() ? QStringLiteral("CW") : QStringLiteral("CCW"), milliseconds{0}}});
}

} // namespace kvt
