#include "MonitorPanel.h"

#include "frontend/PanelLook.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvt {

namespace {
const std::array<const char*, 5> captions = {"     SETUP PARAMETER", "CURRENT POSITION",
                                             " INPUT STATUS", "OUTPUT STATUS", "PROGRAM DISPLAY"};
constexpr int programDisplay = 4;
} // namespace

MonitorPanel::MonitorPanel(QWidget* parent) : QGroupBox(QStringLiteral("MONITOR"), parent)
{
    setObjectName(QStringLiteral("framoni"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(3);
    layout->setContentsMargins(4, 4, 4, 4);
    for (int i = 0; i < 5; ++i) {
        cmdmoni[i] = new QPushButton(QString::fromLatin1(captions[i]));
        cmdmoni[i]->setObjectName(QStringLiteral("cmdmoni_%1").arg(i));
        // Screen readers would announce the leading blanks of the captions.
        cmdmoni[i]->setAccessibleName(cmdmoni[i]->text().trimmed());
        layout->addWidget(cmdmoni[i]);
        connect(cmdmoni[i], &QPushButton::clicked, this,
                [this, i] { Q_EMIT sendRequested(query(i)); });
    }
    auto* programs = new QGridLayout;
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        optprg[i] = new QRadioButton(QString::number(i));
        optprg[i]->setObjectName(QStringLiteral("optprg_%1").arg(i));
        optprg[i]->setAccessibleName(QStringLiteral("Program %1").arg(i));
        group->addButton(optprg[i], i);
        programs->addWidget(optprg[i], i / 2, i % 2);
    }
    optprg[0]->setChecked(true);
    layout->addLayout(programs);
}

QString MonitorPanel::query(int index) const
{
    switch (index) {
    case 0:
        return QStringLiteral("DSP");
    case 1:
        return QStringLiteral("POS");
    case 2:
        return QStringLiteral("RD.IN");
    case 3:
        return QStringLiteral("RD.OUT");
    case programDisplay:
        break;
    }
    for (int i = 0; i < 3; ++i)
        if (optprg[i]->isChecked())
            return QStringLiteral("DP%1").arg(i);
    return QStringLiteral("DP3");
}

void MonitorPanel::setControlsEnabled(bool enabled)
{
    for (QRadioButton* option : optprg)
        option->setEnabled(enabled);
    for (QPushButton* button : cmdmoni)
        button->setEnabled(enabled);
}

void MonitorPanel::setActiveLook(bool active)
{
    const QColor back = active ? look::monitorBack : look::inactiveBack;
    const QColor text = active ? look::black : look::inactiveText;
    look::paint(this, back, text);
    for (QRadioButton* option : optprg)
        look::paint(option, back, text);
}

} // namespace kvt
