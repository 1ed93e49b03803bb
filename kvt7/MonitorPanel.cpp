#include "MonitorPanel.h"

#include "frontend/PanelLook.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvt {

namespace {
const std::array<const char*, monitor::queryCount> captions = {"     SETUP PARAMETER",
                                                               "CURRENT POSITION", " INPUT STATUS",
                                                               "OUTPUT STATUS", "PROGRAM DISPLAY"};
} // namespace

MonitorPanel::MonitorPanel(QWidget* parent) : QGroupBox(QStringLiteral("MONITOR"), parent)
{
    setObjectName(QStringLiteral("framoni"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(3);
    layout->setContentsMargins(4, 4, 4, 4);
    for (int i = 0; i < monitor::queryCount; ++i) {
        m_queryButtons[i] = new QPushButton(QString::fromLatin1(captions[i]));
        m_queryButtons[i]->setObjectName(QStringLiteral("cmdmoni_%1").arg(i));
        // Screen readers would announce the leading blanks of the captions.
        m_queryButtons[i]->setAccessibleName(m_queryButtons[i]->text().trimmed());
        layout->addWidget(m_queryButtons[i]);
        connect(m_queryButtons[i], &QPushButton::clicked, this,
                [this, i] { Q_EMIT sendRequested(monitor::query(i, chosenProgram())); });
    }
    auto* programs = new QGridLayout;
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        m_programOptions[i] = new QRadioButton(QString::number(i));
        m_programOptions[i]->setObjectName(QStringLiteral("optprg_%1").arg(i));
        m_programOptions[i]->setAccessibleName(QStringLiteral("Program %1").arg(i));
        group->addButton(m_programOptions[i], i);
        programs->addWidget(m_programOptions[i], i / 2, i % 2);
    }
    m_programOptions[0]->setChecked(true);
    layout->addLayout(programs);
}

int MonitorPanel::chosenProgram() const
{
    for (int i = 0; i < 3; ++i)
        if (m_programOptions[i]->isChecked())
            return i;
    return 3;
}

void MonitorPanel::setControlsEnabled(bool enabled)
{
    for (QRadioButton* option : m_programOptions)
        option->setEnabled(enabled);
    for (QPushButton* button : m_queryButtons)
        button->setEnabled(enabled);
}

void MonitorPanel::setActiveLook(bool active)
{
    const QColor back = active ? look::monitorBack : look::inactiveBack;
    const QColor text = active ? look::black : look::inactiveText;
    look::paint(this, back, text);
    for (QRadioButton* option : m_programOptions)
        look::paint(option, back, text);
}

} // namespace kvt
