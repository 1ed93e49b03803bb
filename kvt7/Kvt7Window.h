#pragma once

#include "link/Timings.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;

namespace kvt {

class DirectionDialog;
class EditorController;
class JogDialog;
class ManualPanel;
class MonitorPanel;
class Operator;
class ProgramDownload;
class ProgramUpload;
class SensorLogicDialog;
class SerialLink;
class SerialPort;
class SpeedDialog;

// frmkvt_7, the KVT7 front end: editor, online, manual and monitor panels
// around the reply display. Exactly one panel is active at a time; which one
// is read back from the frames' colours, as the window always did. The window
// owns its port (Comm7) and link engine and only wires panels to commands.
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
    EditorController& editor() { return *m_editor; }
    bool transferRunning() const;

    void formdisable();
    void editen();
    void onlineen();
    void manen();
    void monien();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void wireSetupMenu();
    void buildFrames();
    QGroupBox* buildEditorFrame();
    QGroupBox* buildResponseFrame();
    QGroupBox* buildOnlineFrame();
    void wireLink();
    void onReceived(const QByteArray& data);
    void onLineError(const QString& statusText);
    void onUnknownEvent(const QString& errorText);
    void onWatchdogExpired();
    void onWriteFailed(const QString& errorText);
    void onLinkLost(const QString& reason);
    void SendData(const QString& command);
    void txtonline_KeyPress();
    void mnueclose_Click();
    void mnuoclose_Click();
    void mnumclose_Click();
    void mnunclose_Click();
    void mnu7exit_Click();
    void mnudownload_Click();
    void mnuuploadprog_Click(int program);
    bool startTransfer();
    void downloadFinished(int outcome);
    void uploadFinished(int outcome, const QString& text, int program);
    void showStatus(const QString& text);
    void setEditorLook(bool active);
    void setOnlineLook(bool active);
    void setEditorMenusVisible(bool visible);

public:
    // Set whenever received text is shown.
    bool ReplyReceived = false;

private:
    Operator& m_operator;
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<SerialLink> m_link;
    Timings m_timings;
    EditorController* m_editor = nullptr;
    ProgramDownload* m_download = nullptr;
    ProgramUpload* m_upload = nullptr;
    QString m_downloadReport;

    QGroupBox* fraeditor = nullptr;
    QPlainTextEdit* txteditor = nullptr;
    QLabel* lbleditlineno = nullptr;
    QLabel* lblstatus = nullptr;
    QGroupBox* fraresponse = nullptr;
    QLabel* lblresponse = nullptr;
    QGroupBox* fraonline = nullptr;
    QLineEdit* txtonline = nullptr;
    QLabel* lblonlinehis = nullptr;
    QLabel* lblonlinehistory = nullptr;
    ManualPanel* framanual = nullptr;
    MonitorPanel* framoni = nullptr;

    QPointer<SpeedDialog> frmspeed;
    QPointer<JogDialog> frmjog;
    QPointer<DirectionDialog> frmdirset;
    QPointer<SensorLogicDialog> frmsenlog;

    QMenu* mnu7file = nullptr;
    QAction* mnunew = nullptr;
    QAction* mnuopen = nullptr;
    QAction* mnusave = nullptr;
    QAction* mnusaveas = nullptr;
    QAction* mnuprint = nullptr;
    QMenu* mnu7edit = nullptr;
    QAction* mnueact = nullptr;
    QAction* mnucut = nullptr;
    QAction* mnucopy = nullptr;
    QAction* mnupaste = nullptr;
    QAction* mnueclose = nullptr;
    QAction* mnudownload = nullptr;
    QMenu* mnuupload = nullptr;
    std::array<QAction*, 4> mnuuploadprog{};
    QMenu* mnu7setup = nullptr;
    QAction* mnuspeed = nullptr;
    QAction* mnuhspeed = nullptr;
    QAction* mnujog = nullptr;
    QAction* mnudir = nullptr;
    QAction* mnusenlogic = nullptr;
    QMenu* mnu7man = nullptr;
    QAction* mnumact = nullptr;
    QAction* mnumclose = nullptr;
    QMenu* mnu7online = nullptr;
    QAction* mnuoact = nullptr;
    QAction* mnuoclose = nullptr;
    QMenu* mnu7moni = nullptr;
    QAction* mnunact = nullptr;
    QAction* mnunclose = nullptr;
    QMenu* help = nullptr;
    QAction* helpabout = nullptr;
    QAction* mnu7exit = nullptr;
};

} // namespace kvt
