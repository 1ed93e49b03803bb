#pragma once

#include "ManualCommands.h"

#include <QGroupBox>
#include <QList>

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;

namespace kvt {

class Operator;

// framanual: twelve command buttons whose captions are the exact command lines
// they send; scroll bars and option pairs edit the parameter part.
class ManualPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ManualPanel(Operator& op, QWidget* parent = nullptr);

    // Replaces the design captions by the commands the controls make; the
    // window runs it once it has started up.
    void showCommands();
    void setControlsEnabled(bool enabled);
    void setActiveLook(bool active);
    // The control the keyboard starts from when the panel is made the active one.
    QWidget* firstControl() const;

Q_SIGNALS:
    void sendRequested(const QString& command);

private:
    using OptionPair = std::array<QRadioButton*, 2>;
    struct BarNumber {
        QScrollBar* bar;
        QSpinBox* number;
        QWidget* row; // both, side by side, where the bar is placed
    };

    // A bar and, beside it, the number it stands at, for typing; the two stay in step.
    QScrollBar* makeBar(const char* name, int minimum, int maximum, int pageStep,
                        const QString& spokenName);
    const BarNumber& barWithNumber(const QScrollBar* bar) const;
    void orderTabStops();
    OptionPair makePair(const char* name, const QString& first, const QString& second,
                        const QString& spokenName);
    manual::Settings settings() const;
    void manualButtonClicked(int index);

    std::array<QPushButton*, manual::buttonCount> m_manualButtons{};
    std::array<QLabel*, manual::buttonCount> m_buttonLabels{};
    QScrollBar* m_absoluteMoveBar = nullptr;
    QScrollBar* m_relativeMoveBar = nullptr;
    QScrollBar* m_absoluteJogBar = nullptr;
    QScrollBar* m_relativeJogBar = nullptr;
    QScrollBar* m_highInputBar = nullptr;
    QScrollBar* m_lowInputBar = nullptr;
    QScrollBar* m_outputBar = nullptr;
    QScrollBar* m_triggerProgramBar = nullptr;
    QScrollBar* m_deleteProgramBar = nullptr;
    OptionPair m_highDirection{};
    OptionPair m_lowDirection{};
    OptionPair m_outputState{};
    QList<BarNumber> m_numbers;

    Operator& m_operator;
};

} // namespace kvt
