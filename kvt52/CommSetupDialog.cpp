#include "CommSetupDialog.h"

#include "shell/WindowPlacement.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvt {

CommSetupDialog::CommSetupDialog(const CommChoice& current, bool cancelOffered,
                                 const QStringList& devices, QWidget* parent)
    : QDialog(parent), m_cancelOffered(cancelOffered)
{
    setObjectName(QStringLiteral("Commsetup"));
    setWindowTitle(QStringLiteral("Communication Setup"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The window waits for the choice; the dialog alone takes input meanwhile.
    setWindowModality(Qt::WindowModal);
    if (parent)
        parent->installEventFilter(this);

    const CommOptions selected = optionsFor(current);
    auto* frames = new QGridLayout;
    QGroupBox* port =
        addFrame(QStringLiteral("Comm Port"), "Commport", "Portopt",
                 {QStringLiteral("COM1"), QStringLiteral("COM2")}, selected.port, m_portGroup);
    // The captions stay the controllers' own; the device each stands for is
    // what the operator needs to pick the right cable.
    QStringList shown;
    for (int i = 0; i < 2 && i < devices.size(); ++i) {
        if (devices.at(i).isEmpty())
            continue;
        m_portGroup->button(i)->setToolTip(devices.at(i));
        shown << QStringLiteral("COM%1: %2").arg(i + 1).arg(devices.at(i));
    }
    if (!shown.isEmpty()) {
        auto* lbldevices = new QLabel(shown.join(u'\n'));
        lbldevices->setObjectName(QStringLiteral("lbldevices"));
        lbldevices->setTextInteractionFlags(Qt::TextSelectableByMouse);
        port->layout()->addWidget(lbldevices);
    }
    frames->addWidget(port, 0, 0);
    frames->addWidget(
        addFrame(QStringLiteral("Baud Rate"), "Baudrate", "Baud",
                 {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                  QStringLiteral("9600"), QStringLiteral("19200")},
                 selected.baud, m_baudGroup),
        0, 1, 3, 1);
    frames->addWidget(
        addFrame(QStringLiteral("Parity"), "Parity", "Parityopt",
                 {QStringLiteral("Odd"), QStringLiteral("Even"), QStringLiteral("None")},
                 selected.parity, m_parityGroup),
        0, 2, 3, 1);
    frames->addWidget(addFrame(QStringLiteral("Data Bits"), "DataBit", "Data",
                               {QStringLiteral("7 bits"), QStringLiteral("8 bits")},
                               selected.dataBits, m_dataBitsGroup),
                      1, 0);
    frames->addWidget(addFrame(QStringLiteral("Stop Bit"), "Stopbit", "Stopbitopt",
                               {QStringLiteral("1 bit"), QStringLiteral("2 bits")},
                               selected.stopBit, m_stopBitsGroup),
                      2, 0);

    m_okButton = new QPushButton(QStringLiteral("OK"));
    m_okButton->setObjectName(QStringLiteral("cmdOK"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("cmdcancel"));
    m_cancelButton->setVisible(cancelOffered);
    m_cancelButton->setEnabled(cancelOffered);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);
}

QGroupBox* CommSetupDialog::addFrame(const QString& caption, const char* name,
                                     const char* optionName, const QStringList& options,
                                     int selected, QButtonGroup*& group)
{
    auto* frame = new QGroupBox(caption);
    frame->setObjectName(QLatin1String(name));
    group = new QButtonGroup(frame);
    auto* layout = new QVBoxLayout(frame);
    for (int i = 0; i < options.size(); ++i) {
        auto* option = new QRadioButton(options.at(i));
        option->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(optionName)).arg(i));
        option->setChecked(i == selected);
        group->addButton(option, i);
        layout->addWidget(option);
    }
    // Tab goes from frame to frame, onto the option chosen in each, and the
    // arrows choose within a frame: an option that is not chosen takes no Tab.
    const auto tabStop = [group](int id, bool chosen) {
        group->button(id)->setFocusPolicy(chosen ? Qt::StrongFocus : Qt::ClickFocus);
    };
    for (int i = 0; i < options.size(); ++i)
        tabStop(i, i == selected);
    connect(group, &QButtonGroup::idToggled, group, tabStop);
    return frame;
}

CommChoice CommSetupDialog::choice() const
{
    return choiceFrom({m_portGroup->checkedId(), m_baudGroup->checkedId(),
                       m_parityGroup->checkedId(), m_dataBitsGroup->checkedId(),
                       m_stopBitsGroup->checkedId()});
}

void CommSetupDialog::done(int result)
{
    // OK, Cancel, Escape and the close box all end here, once. The dialog is
    // gone before the window goes on, as the setting box follows it.
    const bool first = !std::exchange(m_decided, true);
    QDialog::done(result);
    if (!first)
        return;
    if (result == QDialog::Accepted || !m_cancelOffered)
        Q_EMIT chosen(choice());
    else
        Q_EMIT cancelled();
}

void CommSetupDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    placeCentredOver(*this, parentWidget());
}

bool CommSetupDialog::eventFilter(QObject* watched, QEvent* event)
{
    // The window it blocks can come forward after it (at start-up the window
    // is shown after the dialog): the keyboard belongs to the dialog then.
    if (watched == parentWidget() && event->type() == QEvent::WindowActivate && isVisible()) {
        raise();
        activateWindow();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kvt
