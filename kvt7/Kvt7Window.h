#pragma once

#include "link/Timings.h"

#include <QMainWindow>

#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;

namespace kvt {

class Operator;
class SerialLink;
class SerialPort;

// frmkvt_7: the KVT7 front end. Owns its port (Comm7) and link engine; the
// panels only wire operator actions to commands and show replies.
class Kvt7Window : public QMainWindow {
    Q_OBJECT
public:
    Kvt7Window(Operator& op, std::unique_ptr<SerialPort> port, const Timings& timings = {},
               QWidget* parent = nullptr);
    ~Kvt7Window() override;

    // Asks which port the controller is on, opens it and sets the window's
    // start state. Runs once, before the window is first shown.
    void initialise();

    SerialLink& link() { return *m_link; }
    SerialPort& port() { return *m_port; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    QGroupBox* buildResponseFrame();
    QGroupBox* buildOnlineFrame();
    void wireLink();
    void onReceived(const QByteArray& data);
    void onLineError(const QString& statusText);
    void onUnknownEvent(const QString& errorText);
    void onWatchdogExpired();
    void onWriteFailed(const QString& errorText);
    void onLinkLost(const QString& reason);
    void txtonline_KeyPress();
    void mnu7exit_Click();

public:
    // Form-level state other parts of the window read and write.
    bool UploadMode = false;
    QByteArray UploadBuffer;
    bool ReplyReceived = false;

private:
    Operator& m_operator;
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<SerialLink> m_link;
    Timings m_timings;

    QGroupBox* fraresponse = nullptr;
    QLabel* lblresponse = nullptr;
    QGroupBox* fraonline = nullptr;
    QLineEdit* txtonline = nullptr;
    QLabel* lblonlinehis = nullptr;
    QLabel* lblonlinehistory = nullptr;
};

} // namespace kvt
