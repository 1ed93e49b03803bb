#include "NetworkPortDialog.h"

#include "link/NetworkAddress.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kvt {

NetworkPortDialog::NetworkPortDialog(const QString& current, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmnetwork"));
    setWindowTitle(QStringLiteral("Network Port"));
    m_hostEdit = new QLineEdit;
    m_hostEdit->setObjectName(QStringLiteral("txthost"));
    m_portBox = new QSpinBox;
    m_portBox->setObjectName(QStringLiteral("numtcpport"));
    m_portBox->setRange(1, 65535);
    m_portBox->setValue(2217);
    m_kindBox = new QComboBox;
    m_kindBox->setObjectName(QStringLiteral("cbokind"));
    m_kindBox->addItem(QStringLiteral("RFC 2217: the program sets the line"),
                       int(NetworkAddress::Kind::Rfc2217));
    m_kindBox->addItem(QStringLiteral("Raw TCP: the line is set on the server"),
                       int(NetworkAddress::Kind::RawTcp));
    if (const auto address = NetworkAddress::parse(current)) {
        m_hostEdit->setText(address->host);
        m_portBox->setValue(address->port);
        m_kindBox->setCurrentIndex(m_kindBox->findData(int(address->kind)));
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Host:"), m_hostEdit);
    form->addRow(QStringLiteral("TCP &port:"), m_portBox);
    form->addRow(QStringLiteral("&Kind of server:"), m_kindBox);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto needHost = [this] {
        m_buttons->button(QDialogButtonBox::Ok)
            ->setEnabled(!m_hostEdit->text().trimmed().isEmpty());
    };
    connect(m_hostEdit, &QLineEdit::textChanged, this, needHost);
    needHost();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_buttons);
}

QString NetworkPortDialog::device() const
{
    NetworkAddress address;
    address.kind = NetworkAddress::Kind(m_kindBox->currentData().toInt());
    address.host = m_hostEdit->text().trimmed();
    address.port = quint16(m_portBox->value());
    return address.toString();
}

} // namespace kvt
