#pragma once

#include "FrontEndProfile.h"
#include "link/Timings.h"
#include "shell/Operator.h"
#include "transfer/TransferOutcome.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QTimer;

namespace kvt {

class BlockDownload;
class BlockUpload;
class EditorController;
class EditorPanel;
class ReplyDisplay;
class SerialLink;
class SerialPort;
class TrafficLog;
class TrafficLogWindow;
class JobRunner;
class MessageWindow;
class TransferJob;
namespace program {
struct ProgramLine;
}

// The skeleton every front-end window is built on: its port and link, the
// reply display, the editor panel, the reports of a failing link, one
// transfer at a time, and closing. A family's window adds its own panels,
// menus and transfers, and places the shared panels in its layout.
class FrontEndWindow : public QMainWindow {
    Q_OBJECT
public:
    ~FrontEndWindow() override;

    // Asks for the port, opens it and sets the window's start state. Runs
    // once, before the window is first shown.
    virtual void initialise() = 0;

    SerialLink& link() { return *m_link; }
    // What went over this window's port; the View menu shows it.
    TrafficLog& trafficLog() { return *m_traffic; }
    SerialPort& port() { return *m_port; }
    EditorController& editor();
    bool transferRunning() const;
    // Help, About: the program's name and version and the Qt it runs on.
    void showAbout();
    // View, Ports...: which device COM1 and COM2 stand for, remembered as at
    // start-up; the window's port opens again on a device chosen for it.
    void choosePorts();

protected:
    FrontEndWindow(FrontEndProfile profile, Operator& op, std::unique_ptr<SerialPort> port,
                   const Timings& timings, QWidget* parent);

    // The COM1 question and, on No, the COM2 notice: the port number.
    int askPortNumber(const PortQuestion& question);
    // Opens and sets up the port; a failure is told and the window goes on
    // with the port closed.
    void openPort(int portNumber, const PortSetup& setup);
    // Closes the port and opens it again as it was set up; a failure is told.
    void reconnect();
    // While a dialog decides which port the window uses, a lost device that
    // comes back must not be opened behind it.
    void holdReopening(bool held);

    // One transfer at a time: true, after telling the operator, when one runs.
    bool refuseSecondTransfer();
    // A character the line cannot carry would stop the download halfway, with
    // the controller inside an open block: true, after telling the operator,
    // when the program holds one. Asked before anything else of a download.
    bool refuseUnsendableProgram(const QList<program::ProgramLine>& lines);
    // A line beginning with END ends the controller's storing early: false
    // when the operator, warned, chose not to download.
    bool mayDownloadPastEarlyEnd(const QList<program::ProgramLine>& lines);
    // How the window's messages name an editor line (index 0 is the first).
    virtual QString editorLineName(int index) const { return QString::number(index + 1); }
    // Menus that are off while a transfer runs, whatever activates the editor meanwhile.
    void holdDuringTransfers(QList<QAction*> items);
    // Starts a transfer; the caller asked refuseSecondTransfer() first.
    void runTransfer(TransferJob* job);
    // Before an upload may replace the editor's text: the save question of
    // New and Open. False when the operator cancelled.
    bool mayReplaceEditorText();
    // A received program replaces the editor's text as one step the operator
    // can undo; a program longer than the editor holds is told.
    void replaceEditorText(const QString& text, const QString& caption);
    JobRunner& runner() { return *m_runner; }
    // frmmessage for the transfer about to start: the window's own, made on
    // first use and again after it was closed.
    MessageWindow* messageWindow();
    // Ends it without stopping anything: the transfer is over.
    void unloadMessageWindow();
    // View, Traffic Log (Ctrl+L), where the window's menu bar wants it.
    void addViewMenu();
    // A box with the window's own title.
    MessageAnswer tell(const QString& text, MessageIcon icon = MessageIcon::Exclamation,
                       MessageButtons buttons = MessageButtons::Ok,
                       std::optional<MessageAnswer> defaultAnswer = std::nullopt);
    // How a block transfer of the keypad or four-model windows ended, in
    // lblresponse, the status line and, where the operator must act, a box.
    void reportBlockDownload(const BlockDownload& download, TransferOutcome outcome,
                             const QString& cancelledText);
    // kind names the block in the status line ("Position Data").
    void reportBlockUpload(const BlockUpload& upload, TransferOutcome outcome,
                           const QString& cancelledText,
                           const QString& kind = QStringLiteral("Program"));
    // Verify: the program the controller gave back beside the editor's text.
    // Equal is told in a box, or after a download in the status line behind
    // downloadReport; a difference opens the difference window beside the
    // status line. The editor keeps its text either way.
    void showVerifyResult(const QString& editorText, const QString& readBackText,
                          const QString& downloadReport = {});
    // A read-back that ended without the whole program: told, nothing compared.
    void reportFailedReadBack(TransferOutcome outcome, const QString& downloadReport = {});
    // Runs then once the controller's answer to the last downloaded line has
    // passed, so it is not taken for the start of a read-back.
    void afterLastAnswer(std::function<void()> then);
    // "Verify after download": checkable, off at first, remembered between runs.
    QAction* addVerifyAfterDownloadItem(QMenu* menu);
    // What is known once a download has ended well: the lines sent, not
    // what the controller made of them.
    static QString downloadCompleteText(int linesSent);
    // "Verify: " on its own, or behind the download's report it completes.
    static QString verifyStatusPrefix(const QString& downloadReport);
    // The box that says the controller cannot be reached.
    void tellCommunicationFailure();
    // The transfer's progress and end, in the status line. What a transfer
    // said there goes when the next one starts; what is said before a start
    // ("reading back ...") stays.
    void showStatus(const QString& text);

    // After the communication-failure box was closed.
    virtual void watchdogReported() {}
    // Dialogs of the window's own that must go with it.
    virtual void closeOwnWindows() {}

    void closeEvent(QCloseEvent* event) override;
    // The first time: as large as the window's plan wants, as far as the
    // screen has room; a plan drawn to a fixed size scrolls inside.
    void showEvent(QShowEvent* event) override;
    // Where the window may stand on its screen, frame and title bar included.
    QRect roomOnScreen() const;
    // The menu bar and the status line, which the window's plan shares its height with.
    int barsHeight() const;
    // Once, before the first show sizes the window: a plan drawn to a fixed
    // size may shrink to the room there is.
    virtual void fitPlanToScreen() {}

    const FrontEndProfile m_profile;
    Operator& m_operator;
    const Timings m_timings;
    ReplyDisplay* m_replies = nullptr;
    EditorPanel* m_editorPanel = nullptr;

private:
    void onReceived(const QByteArray& data);
    void onLineError(const QString& statusText);
    void onUnknownEvent(const QString& errorText);
    void onWatchdogExpired();
    void onWriteFailed(const QString& errorText);
    void onLinkLost(const QString& reason);
    void hearLinkAfterJob();
    bool openAsSetUp(bool tellFailure, const QString& howOpened = QStringLiteral("open"));
    void offerPortsAfterFailure();
    void portsChosen(const QMap<int, QString>& devices);
    void reopenWhenBack();
    // "COM1 /dev/ttyS0", or "No port".
    QString portAndDevice() const;
    void nameTrafficLog();
    void tellLoss();
    enum class PortState { Closed, Open, Lost };
    // lblport, the one place that tells the port's state.
    void showPortState(PortState state, const QString& howOpened = QStringLiteral("open"));
    PortState m_portState = PortState::Closed;
    QString m_lossText; // what the operator was told when the port was lost
    // Shown until the device is back, without holding anything up meanwhile.
    std::unique_ptr<Notice> m_lossNotice;
    QPointer<QDialog> m_portsDialog;
    bool m_statusFromTransfer = false;

    std::unique_ptr<TrafficLog> m_traffic;
    QPointer<TrafficLogWindow> m_trafficLog;
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<SerialLink> m_link;
    JobRunner* m_runner = nullptr;
    QPointer<MessageWindow> m_messageWindow;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_portLabel = nullptr;
    int m_portNumber = 0;
    PortSetup m_portSetup;
    QTimer* m_watchForDevice = nullptr;
    bool m_reopeningHeld = false;
    // Closing waits for what a cancelled transfer still tells the controller.
    bool m_closeWaitsForLink = false;
    bool m_fitted = false;
};

} // namespace kvt
