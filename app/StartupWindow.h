#pragma once

#include <QList>
#include <QMainWindow>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kvt {

class FrontEnds;

// frmkvt_comm: the operator picks the controller model, then this window
// hands over to that model's window and goes away. A main window, so that a
// screen reader meets it as a window with its caption.
class StartupWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit StartupWindow(FrontEnds& frontEnds, QWidget* parent = nullptr);

Q_SIGNALS:
    // Ports...: the operator wants to say which device COM1 and COM2 are.
    void portsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Enter chooses, as OK does: OK is the window's default button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openChosenModel();

    FrontEnds& m_frontEnds;

    QLabel* m_subtitle = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_motorPicture = nullptr;
    QGroupBox* m_modelBox = nullptr;
    QList<QRadioButton*> m_modelOptions;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_portsButton = nullptr;
};

} // namespace kvt
