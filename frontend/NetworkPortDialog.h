#pragma once

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QSpinBox;

namespace kvt {

// frmnetwork: a controller behind a serial device server, given by host, TCP
// port and the kind of server, for a port that stands for it.
class NetworkPortDialog : public QDialog {
    Q_OBJECT
public:
    // current fills the fields where it is a network port already.
    explicit NetworkPortDialog(const QString& current, QWidget* parent = nullptr);

    // rfc2217://HOST:PORT or tcp://HOST:PORT.
    QString device() const;

private:
    QLineEdit* m_hostEdit = nullptr;
    QSpinBox* m_portBox = nullptr;
    QComboBox* m_kindBox = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

} // namespace kvt
