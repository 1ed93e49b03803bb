#pragma once

#include "CommandRecall.h"
#include "Kvt7Speeds.h"
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

    void disableAllPanels();
    void activateEditor();
    void activateOnline();
    void activateManual();
    void activateMonitor();

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
    void sendOnlineCommand();
    void downloadProgram();
    void uploadProgram(int program);
    void downloadFinished(int answered, int total, TransferOutcome outcome);
    // Reads back the program the editor's "M31,n" line names and compares it;
    // after a download its result joins downloadReport.
    void verifyProgram(const QString& downloadReport);
    void uploadFinished(int program, TransferOutcome outcome, const QString& text);

    QString m_unansweredReport;
    CommandRecall m_recall;
    // Outlives the Setup dialogs: they are closed with the window's own windows.
    Kvt7Speeds m_speeds;
    QWidget* m_plan = nullptr;

    LineNumbers* m_lineNumbers = nullptr;
    QGroupBox* m_responseFrame = nullptr;
    QGroupBox* m_onlineFrame = nullptr;
    QLineEdit* m_onlineCommand = nullptr;
    QLabel* m_historyHeading = nullptr;
    QLabel* m_history = nullptr;
    ManualPanel* m_manualPanel = nullptr;
    MonitorPanel* m_monitorPanel = nullptr;

    QPointer<SpeedDialog> m_speedDialog;
    QPointer<JogDialog> m_jogDialog;
    QPointer<ChoiceDialog> m_directionDialog;
    QPointer<ChoiceDialog> m_sensorLogicDialog;

    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_downloadMenu = nullptr;
    QAction* m_downloadItem = nullptr;
    QAction* m_verifyItem = nullptr;
    QAction* m_verifyAfterDownloadItem = nullptr;
    QMenu* m_uploadMenu = nullptr;
    std::array<QAction*, 4> m_uploadItems{};
    QMenu* m_setupMenu = nullptr;
    QAction* m_runningSpeedItem = nullptr;
    QAction* m_homingSpeedItem = nullptr;
    QAction* m_jogSpeedItem = nullptr;
    QAction* m_directionItem = nullptr;
    QAction* m_sensorLogicItem = nullptr;
    QMenu* m_manualMenu = nullptr;
    QAction* m_manualActivateItem = nullptr;
    QAction* m_manualCloseItem = nullptr;
    QMenu* m_onlineMenu = nullptr;
    QAction* m_onlineActivateItem = nullptr;
    QAction* m_onlineCloseItem = nullptr;
    QMenu* m_monitorMenu = nullptr;
    QAction* m_monitorActivateItem = nullptr;
    QAction* m_monitorCloseItem = nullptr;
    QMenu* m_helpMenu = nullptr;
    QAction* m_aboutItem = nullptr;
    QAction* m_exitItem = nullptr;
};

} // namespace kvt
