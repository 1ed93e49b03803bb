#include "PortsDialog.h"

#include "NetworkPortDialog.h"

#include "link/PortList.h"
#include "link/PortMap.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kvt {

PortsDialog::PortsDialog(const PortMap& current, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmports"));
    setWindowTitle(QStringLiteral("Ports"));
    auto* form = new QFormLayout;
    for (auto [box, name, port] :
         {std::tuple{&m_com1Box, "cbocom1", 1}, {&m_com2Box, "cbocom2", 2}}) {
        *box = new QComboBox;
        (*box)->setObjectName(QLatin1String(name));
        (*box)->setEditable(true);
        (*box)->setMinimumContentsLength(40);
        (*box)->setCurrentText(current.device(port));
        auto* label = new QLabel(QStringLiteral("COM&%1:").arg(port));
        label->setBuddy(*box);
        // Reached with Tab from its port's box; one mnemonic would serve only one row.
        auto* network = new QPushButton(QStringLiteral("Network..."));
        network->setObjectName(QStringLiteral("cmdnetwork%1").arg(port));
        network->setAccessibleDescription(
            QStringLiteral("A serial device server on the network as COM%1").arg(port));
        QComboBox* portBox = *box;
        connect(network, &QPushButton::clicked, this, [this, portBox] { chooseNetwork(portBox); });
        auto* row = new QHBoxLayout;
        row->addWidget(*box, 1);
        row->addWidget(network);
        form->addRow(label, row);
    }
    m_refreshButton = new QPushButton(QStringLiteral("&Refresh"));
    m_refreshButton->setObjectName(QStringLiteral("cmdrefresh"));
    connect(m_refreshButton, &QPushButton::clicked, this, &PortsDialog::refresh);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->addButton(m_refreshButton, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    refresh();
}

void PortsDialog::chooseNetwork(QComboBox* box)
{
    NetworkPortDialog dialog(box->currentText().trimmed(), this);
    if (dialog.exec() == QDialog::Accepted)
        box->setCurrentText(dialog.device());
}

void PortsDialog::refresh()
{
    const QList<SerialDevice> present = presentSerialDevices();
    for (QComboBox* box : {m_com1Box, m_com2Box}) {
        // What the operator typed or chose stays; only the list is new.
        const QString typed = box->currentText();
        box->clear();
        for (const SerialDevice& d : present) {
            const QString device = d.stableName.isEmpty() ? d.device : d.stableName;
            box->addItem(d.description.isEmpty()
                             ? device
                             : device + QStringLiteral("  (") + d.description + u')',
                         device);
        }
        box->setCurrentText(typed);
    }
}

QMap<int, QString> PortsDialog::chosen() const
{
    QMap<int, QString> devices;
    for (auto [box, port] : {std::pair{m_com1Box, 1}, {m_com2Box, 2}}) {
        // A listed device is taken by its name, not by its description.
        const int listed = box->findText(box->currentText());
        const QString device =
            listed >= 0 ? box->itemData(listed).toString() : box->currentText().trimmed();
        if (!device.isEmpty())
            devices.insert(port, device);
    }
    return devices;
}

} // namespace kvt
