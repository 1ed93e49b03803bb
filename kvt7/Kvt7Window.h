#pragma once

#include "CommandRecall.h"
#include "frontend/FrontEndWindow.h"
#include "transfer/TransferOutcome.h"

#include <QPointer>

#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;

namespace kvt {

class ChoiceDialog;
class JogDialog;
class LineNumbers;
class ManualPanel;
class MonitorPanel;
class SpeedDialog;

// frmkvt_7, the KVT7 front end: editor, online, manual and monitor panels
// around the reply display. Exactly one panel is active at a time; which one
// is read back from the frames' colours, as the window always did.
class Kvt7Window : public FrontEndWindow {
    Q_OBJECT
public:
    Kvt7Window(Operator& op, std::unique_ptr<SerialPort> port, const Timings& timings = {},
               QWidget* parent = nullptr);
    ~Kvt7Window() override;

    void initialise() override;

    void formdisable();
    void editen();
    void onlineen();
    void manen();
    void monien();

protected:
    void watchdogReported() override;
    void closeOwnWindows() override;
    // As the numbers beside the editor show it.
    QString editorLineName(int index) const override;
    // Up and Down in the online box recall earlier commands.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void wireMenus();
    void buildFrames();
    // The frames at their places in the plan, drawn at fit times its size.
    void placeFrames(double fit);
    // As far as its text stays readable.
    void fitPlanToScreen() override;
    // Where the keyboard goes when frame becomes the active panel.
    void focusInto(QWidget* frame, QWidget* first = nullptr);
    QGroupBox* buildResponseFrame();
    QGroupBox* buildOnlineFrame();
    void setOnlineLook(bool active);
    void txtonline_KeyPress();
    void mnudownload_Click();
    void mnuuploadprog_Click(int program);
    void downloadFinished(int answered, int total, TransferOutcome outcome);
    // Reads back the program the editor's "M31,n" line names and compares it;
    // after a download its result joins downloadReport.
    void verifyProgram(const QString& downloadReport);
    void uploadFinished(int program, TransferOutcome outcome, const QString& text);

    QString m_unansweredReport;
    CommandRecall m_recall;
    QWidget* m_plan = nullptr;

    LineNumbers* lbleditlineno = nullptr;
    QGroupBox* fraresponse = nullptr;
    QGroupBox* fraonline = nullptr;
    QLineEdit* txtonline = nullptr;
    QLabel* lblonlinehis = nullptr;
    QLabel* lblonlinehistory = nullptr;
    ManualPanel* framanual = nullptr;
    MonitorPanel* framoni = nullptr;

    QPointer<SpeedDialog> frmspeed;
    QPointer<JogDialog> frmjog;
    QPointer<ChoiceDialog> frmdirset;
    QPointer<ChoiceDialog> frmsenlog;

    QMenu* mnu7file = nullptr;
    QMenu* mnu7edit = nullptr;
    QMenu* mnudownloadmenu = nullptr;
    QAction* mnudownload = nullptr;
    QAction* mnuverify = nullptr;
    QAction* mnuverifyafter = nullptr;
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
