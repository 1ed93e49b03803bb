#pragma once

#include "MonitorQueries.h"

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
    // The first of 0, 1 and 2 that is chosen; 3 when none of them is.
    int chosenProgram() const;

    std::array<QPushButton*, monitor::queryCount> m_queryButtons{};
    std::array<QRadioButton*, 4> m_programOptions{};
};

} // namespace kvt
