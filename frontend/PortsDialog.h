#pragma once

#include <QDialog>
#include <QMap>

class QComboBox;
class QPushButton;

namespace kvt {

class PortMap;

// frmports: which device COM1 and COM2 stand for, picked from the serial
// devices present (their stable names where the system has them), typed, or
// a serial device server on the network.
class PortsDialog : public QDialog {
    Q_OBJECT
public:
    PortsDialog(const PortMap& current, QWidget* parent = nullptr);

    // Port number to device, as chosen.
    QMap<int, QString> chosen() const;

private:
    void refresh();
    void chooseNetwork(QComboBox* box);

    QComboBox* m_com1Box = nullptr;
    QComboBox* m_com2Box = nullptr;
    QPushButton* m_refreshButton = nullptr;
};

} // namespace kvt
