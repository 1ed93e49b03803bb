#pragma once

#include <QGroupBox>

#include <array>

class QPushButton;
class QRadioButton;

namespace kvt {

// framoni: five status queries; the replies land in the reply display like any other.
class MonitorPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit MonitorPanel(QWidget* parent = nullptr);

    void setControlsEnabled(bool enabled);
    void setActiveLook(bool active);

Q_SIGNALS:
    void sendRequested(const QString& command);

private:
    // The query a button sends; PROGRAM DISPLAY asks for the chosen program.
    QString query(int index) const;

    std::array<QPushButton*, 5> cmdmoni{};
    std::array<QRadioButton*, 4> optprg{};
};

} // namespace kvt
