#pragma once

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

    // The captions as the scroll bars and options make them, in the order the
    // window's initialisation runs them.
    void rebuildAllCaptions();
    void setControlsEnabled(bool enabled);
    void setActiveLook(bool active);
    // The control the keyboard starts from when the panel is made the active one.
    QWidget* firstControl() const;

Q_SIGNALS:
    void sendRequested(const QString& command);

private:
    std::array<QPushButton*, 12> cmdman{};
    std::array<QLabel*, 12> lblcmd{};
    QScrollBar* hscg00 = nullptr;
    QScrollBar* hscg10 = nullptr;
    QScrollBar* hscg15 = nullptr;
    QScrollBar* hscg16 = nullptr;
    QScrollBar* hscg20 = nullptr;
    QScrollBar* hscg21 = nullptr;
    QScrollBar* hscop = nullptr;
    QScrollBar* hsctrg = nullptr;
    QScrollBar* hscdelprg = nullptr;
    std::array<QRadioButton*, 2> optg20{};
    std::array<QRadioButton*, 2> optg21{};
    std::array<QRadioButton*, 2> optop{};
    struct BarNumber {
        QScrollBar* bar;
        QSpinBox* number;
        QWidget* row; // both, side by side, where the bar is placed
    };
    QList<BarNumber> m_numbers;

    // A bar and, beside it, the number it stands at, for typing; the two stay in step.
    QScrollBar* makeBar(const char* name, int minimum, int maximum, int pageStep,
                        const QString& spokenName);
    const BarNumber& barWithNumber(const QScrollBar* bar) const;
    void orderTabStops();
    std::array<QRadioButton*, 2> makePair(const char* name, const QString& first,
                                          const QString& second, const QString& spokenName);
    void cmdman_Click(int index);
    void hscg00_Change();
    void hscg10_Change();
    void hscg15_Change();
    void hscg16_Change();
    void hscg20_Change();
    void hscg21_Change();
    void hscop_Change();
    void hsctrg_Change();
    void hscdelprg_Change();

    Operator& m_operator;
};

} // namespace kvt
