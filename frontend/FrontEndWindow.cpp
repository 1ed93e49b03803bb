#include "FrontEndWindow.h"

#include "DifferenceWindow.h"
#include "EditorPanel.h"
#include "PanelLook.h"
#include "PortMemory.h"
#include "PortsDialog.h"
#include "ReplyDisplay.h"
#include "TrafficLogWindow.h"
#include "Version.h"
#include "base/ReplyText.h"
#include "editor/EditorController.h"
#include "family/JobRunner.h"
#include "link/LineWait.h"
#include "link/NetworkAddress.h"
#include "link/PortList.h"
#include "link/SerialLink.h"
#include "link/SerialPort.h"
#include "link/TrafficLog.h"
#include "shell/MenuItems.h"
#include "shell/MessageWindow.h"
#include "transfer/BlockDownload.h"
#include "transfer/BlockUpload.h"
#include "transfer/ProgramComparison.h"
#include "transfer/ProgramLines.h"
#include "transfer/ReceiveLimit.h"
#include "transfer/TransferJob.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

namespace kvt {

FrontEndWindow::FrontEndWindow(FrontEndProfile profile, Operator& op,
                               std::unique_ptr<SerialPort> port, const Timings& timings,
                               QWidget* parent)
    : QMainWindow(parent), m_profile(std::move(profile)), m_operator(op), m_timings(timings),
      m_traffic(std::make_unique<TrafficLog>()), m_port(std::move(port)),
      m_link(std::make_unique<SerialLink>(*m_port, m_profile.link, timings))
{
    setObjectName(QLatin1String(m_profile.windowName));
    setWindowTitle(m_profile.caption);
    m_port->setObjectName(QLatin1String(m_profile.portName));
    m_link->setTrafficLog(m_traffic.get());
    m_runner = new JobRunner(this);
    // A window that shows no replies has use for received data only while a
    // transfer runs; a controller that keeps talking must not fill the log.
    if (m_profile.replyPieces == 0)
        m_link->setInputWanted([this] { return m_runner->isBusy(); });
    m_replies = new ReplyDisplay(m_profile.replyPieces);
    m_editorPanel = new EditorPanel(m_profile.editor, m_operator);

    m_statusLabel = new QLabel;
    m_statusLabel->setObjectName(QStringLiteral("lblstatus"));
    // A description, not a name: a fixed name would hide the text from screen readers.
    m_statusLabel->setAccessibleDescription(QStringLiteral("Transfer status"));
    statusBar()->addWidget(m_statusLabel, 1);
    m_portLabel = new QLabel;
    m_portLabel->setObjectName(QStringLiteral("lblport"));
    m_portLabel->setAccessibleDescription(QStringLiteral("Port"));
    statusBar()->addPermanentWidget(m_portLabel);
    showPortState(PortState::Closed);
    // A device that went away is looked for again now and then; it may be
    // plugged back in at any time.
    m_watchForDevice = new QTimer(this);
    m_watchForDevice->setObjectName(QStringLiteral("tmrportwatch"));
    m_watchForDevice->setInterval(m_timings.deviceWatch);
    connect(m_watchForDevice, &QTimer::timeout, this, &FrontEndWindow::reopenWhenBack);

    connect(m_link.get(), &SerialLink::received, this, &FrontEndWindow::onReceived);
    connect(m_link.get(), &SerialLink::lineError, this, &FrontEndWindow::onLineError);
    connect(m_link.get(), &SerialLink::unknownEvent, this, &FrontEndWindow::onUnknownEvent);
    connect(m_link.get(), &SerialLink::watchdogExpired, this, &FrontEndWindow::onWatchdogExpired);
    connect(m_link.get(), &SerialLink::writeFailed, this, &FrontEndWindow::onWriteFailed);
    connect(m_link.get(), &SerialLink::linkLost, this, &FrontEndWindow::onLinkLost);
}

FrontEndWindow::~FrontEndWindow() = default;

EditorController& FrontEndWindow::editor()
{
    return m_editorPanel->editor();
}

bool FrontEndWindow::transferRunning() const
{
    return m_runner->isBusy();
}

int FrontEndWindow::askPortNumber(const PortQuestion& question)
{
    const MessageAnswer onCom1 =
        m_operator.message(this, {question.com1Question, question.title, MessageIcon::Question,
                                  MessageButtons::YesNo});
    if (onCom1 == MessageAnswer::Yes)
        return 1;
    m_operator.message(
        this, {question.com2Notice, question.title, MessageIcon::Exclamation, MessageButtons::Ok});
    return 2;
}

void FrontEndWindow::openPort(int portNumber, const PortSetup& setup)
{
    m_portNumber = portNumber;
    m_portSetup = setup;
    m_watchForDevice->stop();
    openAsSetUp(true);
}

bool FrontEndWindow::openAsSetUp(bool tellFailure, const QString& howOpened)
{
    const bool opened = m_port->open(m_portNumber);
    if (!opened && tellFailure)
        m_operator.message(
            this, {m_port->errorString(), {}, MessageIcon::Exclamation, MessageButtons::Ok});
    m_port->setInputLength(m_portSetup.inputLength);
    m_port->setReceiveThreshold(m_portSetup.receiveThreshold);
    // Handshaking before the line settings, as the controllers' software set
    // them: the port applies every setting it takes and names the ones it refused.
    m_port->setHandshaking(m_portSetup.handshaking);
    if (!m_port->setSettings(m_portSetup.settings) && m_port->isOpen() && tellFailure)
        m_operator.message(
            this, {m_port->errorString(), {}, MessageIcon::Exclamation, MessageButtons::Ok});
    if (opened)
        m_lossNotice.reset();
    showPortState(opened ? PortState::Open : PortState::Closed, howOpened);
    if (!opened && tellFailure)
        offerPortsAfterFailure();
    return opened;
}

void FrontEndWindow::offerPortsAfterFailure()
{
    // Without this, the only way to another device would be a restart.
    const QString port = QStringLiteral("COM%1").arg(m_portNumber);
    if (tell(QStringLiteral("%1 could not be opened. Choose the device %1 stands for with "
                            "Ports...?")
                 .arg(port),
             MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    // Once the window stands, so the dialog opens over it.
    QTimer::singleShot(0, this, &FrontEndWindow::choosePorts);
}

void FrontEndWindow::choosePorts()
{
    if (m_portsDialog) {
        m_portsDialog->raise();
        m_portsDialog->activateWindow();
        return;
    }
    // A new device under a running transfer would cut it.
    if (refuseSecondTransfer())
        return;
    PortMap current;
    for (int n = 1; n <= 2; ++n)
        current.setDevice(n, m_port->deviceName(n));
    auto* dialog = new PortsDialog(current, this);
    m_portsDialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    holdReopening(true);
    connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
        // Gone from here on, though deleted later: a failure may offer it anew.
        m_portsDialog = nullptr;
        if (result == QDialog::Accepted)
            portsChosen(dialog->chosen());
        holdReopening(false);
    });
    // Not exec(): the window's events (a device coming back) go on meanwhile.
    dialog->open();
}

void FrontEndWindow::portsChosen(const QMap<int, QString>& devices)
{
    QSettings memory;
    ports::remember(memory, devices);
    const QString before = m_port->deviceName(m_portNumber);
    for (auto it = devices.cbegin(); it != devices.cend(); ++it)
        m_port->setDevice(it.key(), it.value());
    if (m_portNumber == 0 || m_runner->isBusy() ||
        (m_port->isOpen() && m_port->deviceName(m_portNumber) == before))
        return;
    m_port->close();
    m_watchForDevice->stop();
    openAsSetUp(true);
}

void FrontEndWindow::reconnect()
{
    // Never set up, or a transfer would be cut in the middle.
    if (m_portNumber == 0 || refuseSecondTransfer())
        return;
    m_port->close();
    m_watchForDevice->stop();
    openAsSetUp(true, QStringLiteral("reopened"));
}

void FrontEndWindow::holdReopening(bool held)
{
    if (std::exchange(m_reopeningHeld, held) == held)
        return;
    if (held) {
        m_watchForDevice->stop();
        return;
    }
    // Only a port that is still lost is looked for again; one opened meanwhile is not.
    if (m_portState == PortState::Lost)
        m_watchForDevice->start();
}

void FrontEndWindow::reopenWhenBack()
{
    if (!m_port->deviceMayBeBack(m_portNumber))
        return;
    if (!openAsSetUp(false, QStringLiteral("back and open again"))) {
        showPortState(PortState::Lost);
        return;
    }
    // Nothing is resent on its own: a transfer that was cut stays stopped.
    m_watchForDevice->stop();
}

void FrontEndWindow::showPortState(PortState state, const QString& howOpened)
{
    m_portState = state;
    nameTrafficLog();
    const QString port = portAndDevice();
    switch (state) {
    case PortState::Closed:
        m_portLabel->setText(port + QStringLiteral(": closed"));
        return;
    case PortState::Open: {
        const QString inEffect = m_port->settingsInEffect();
        m_portLabel->setText(port + QStringLiteral(": ") + howOpened + QStringLiteral(", ") +
                             (inEffect.isEmpty() ? m_portSetup.settings : inEffect));
        return;
    }
    case PortState::Lost:
        m_portLabel->setText(port + QStringLiteral(": lost, waiting for it to come back"));
        return;
    }
}

QString FrontEndWindow::portAndDevice() const
{
    return m_portNumber == 0
               ? QStringLiteral("No port")
               : QStringLiteral("COM%1 %2").arg(m_portNumber).arg(m_port->deviceName(m_portNumber));
}

void FrontEndWindow::nameTrafficLog()
{
    // A device server's log is read beside others': the title says which line it is.
    if (m_trafficLog)
        m_trafficLog->setWindowTitle(QStringLiteral("Traffic Log - ") + portAndDevice());
}

bool FrontEndWindow::refuseSecondTransfer()
{
    if (!m_runner->isBusy())
        return false;
    tell(QStringLiteral("A program transfer is still running. Wait until it has ended, then try "
                        "again."));
    return true;
}

bool FrontEndWindow::refuseUnsendableProgram(const QList<program::ProgramLine>& lines)
{
    const auto unsendable = program::firstUnsendable(lines);
    if (!unsendable)
        return false;
    // The code too, as a character may be invisible or look like one the line carries.
    tell(QStringLiteral("Line %1 holds \"%2\" (U+%3), which the line to the controller cannot "
                        "carry. Nothing was sent.")
             .arg(editorLineName(unsendable->index), unsendable->character,
                  QString::number(unsendable->character.toUcs4().value(0), 16)
                      .toUpper()
                      .rightJustified(4, u'0')));
    return true;
}

bool FrontEndWindow::mayDownloadPastEarlyEnd(const QList<program::ProgramLine>& lines)
{
    const auto end = program::earlyEnd(lines);
    if (!end)
        return true;
    const QString lost = end->linesAfter == 1
                             ? QStringLiteral("the line after it")
                             : QStringLiteral("the %1 lines after it").arg(end->linesAfter);
    return tell(QStringLiteral("Line %1 (%2) begins with END, which ends the controller's "
                               "storing: %3 will not be stored.\r\nDownload anyway?")
                    .arg(editorLineName(end->line.index), end->line.command, lost),
                MessageIcon::Question, MessageButtons::YesNo,
                MessageAnswer::No) == MessageAnswer::Yes;
}

void FrontEndWindow::holdDuringTransfers(QList<QAction*> items)
{
    connect(m_runner, &JobRunner::busyChanged, this, [this, items](bool busy) {
        m_editorPanel->setItemsHeld(busy);
        for (QAction* item : items)
            item->setEnabled(!busy);
    });
}

void FrontEndWindow::runTransfer(TransferJob* job)
{
    if (m_statusFromTransfer)
        showStatus({});
    m_runner->run(job);
    hearLinkAfterJob();
}

void FrontEndWindow::hearLinkAfterJob()
{
    // The job hears the watchdog and a lost link before the window tells the
    // operator, so what the job's end reports is in place when the box shows.
    SerialLink* link = m_link.get();
    disconnect(link, &SerialLink::watchdogExpired, this, &FrontEndWindow::onWatchdogExpired);
    disconnect(link, &SerialLink::linkLost, this, &FrontEndWindow::onLinkLost);
    connect(link, &SerialLink::watchdogExpired, this, &FrontEndWindow::onWatchdogExpired);
    connect(link, &SerialLink::linkLost, this, &FrontEndWindow::onLinkLost);
}

MessageWindow* FrontEndWindow::messageWindow()
{
    // A window that was closed may wait for its deletion; the next transfer
    // gets a fresh one with nothing left over.
    if (!m_messageWindow || m_messageWindow->isUnloaded())
        m_messageWindow = new MessageWindow(this);
    return m_messageWindow;
}

void FrontEndWindow::unloadMessageWindow()
{
    if (m_messageWindow)
        m_messageWindow->unload();
}

bool FrontEndWindow::mayReplaceEditorText()
{
    return editor().mayDiscardText();
}

void FrontEndWindow::replaceEditorText(const QString& text, const QString& caption)
{
    if (!editor().setUploadedText(text, caption))
        tell(QStringLiteral("The program is longer than the editor's %1 characters; the editor "
                            "holds its beginning only.")
                 .arg(m_profile.editor.characterLimit));
}

void FrontEndWindow::addViewMenu()
{
    QMenu* view = addMenu(menuBar(), QStringLiteral("&View"), "mnuview");
    QAction* traffic = addItem(view, QStringLiteral("&Traffic Log"), "mnutraffic",
                               QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(addItem(view, QStringLiteral("&Reconnect"), "mnureconnect"), &QAction::triggered, this,
            &FrontEndWindow::reconnect);
    connect(addItem(view, QStringLiteral("&Ports..."), "mnuports"), &QAction::triggered, this,
            &FrontEndWindow::choosePorts);
    QAction* highContrast = addItem(view, QStringLiteral("&High Contrast"), "mnuhighcontrast");
    highContrast->setCheckable(true);
    highContrast->setChecked(look::LookSwitch::instance().highContrast());
    connect(highContrast, &QAction::toggled, &look::LookSwitch::instance(),
            &look::LookSwitch::choose);
    connect(&look::LookSwitch::instance(), &look::LookSwitch::highContrastChanged, highContrast,
            &QAction::setChecked);
    connect(traffic, &QAction::triggered, this, [this] {
        if (!m_trafficLog)
            m_trafficLog = new TrafficLogWindow(*m_traffic, m_operator, this);
        nameTrafficLog();
        m_trafficLog->show();
        m_trafficLog->raise();
        m_trafficLog->activateWindow();
    });
}

void FrontEndWindow::showAbout()
{
    m_operator.message(
        this, {QStringLiteral("kvtcomm %1\r\nWrites programs for KVT stepper-motor "
                              "controllers and moves them over a serial line.\r\n"
                              "Built with Qt %2, running on Qt %3.")
                   .arg(QStringLiteral(KVTCOMM_VERSION), QStringLiteral(QT_VERSION_STR),
                        QString::fromLatin1(qVersion())),
               QStringLiteral("About kvtcomm"), MessageIcon::Information, MessageButtons::Ok});
}

MessageAnswer FrontEndWindow::tell(const QString& text, MessageIcon icon, MessageButtons buttons,
                                   std::optional<MessageAnswer> defaultAnswer)
{
    return m_operator.message(this, {text, m_profile.boxTitle, icon, buttons, defaultAnswer});
}

void FrontEndWindow::showStatus(const QString& text)
{
    // A transfer's own report is still running its finished handlers here.
    m_statusFromTransfer = m_runner->isBusy();
    m_statusLabel->setText(text);
}

void FrontEndWindow::onReceived(const QByteArray& data)
{
    if (m_runner->keepsReceived() || m_profile.replyPieces == 0)
        return;
    m_replies->appendReceived(fromWire(data));
}

void FrontEndWindow::onLineError(const QString& statusText)
{
    switch (m_profile.lineErrorShown) {
    case FrontEndProfile::LineErrorShown::Appended:
        m_replies->appendStatus(statusText);
        return;
    case FrontEndProfile::LineErrorShown::Replacing:
        m_replies->setText(statusText);
        return;
    case FrontEndProfile::LineErrorShown::InBox:
        m_operator.message(this, {statusText, {}, MessageIcon::None, MessageButtons::Ok});
        return;
    }
}

void FrontEndWindow::onUnknownEvent(const QString& errorText)
{
    const QPointer<FrontEndWindow> alive(this);
    switch (m_profile.unknownEventFirst) {
    case FrontEndProfile::UnknownEventFirst::Nowhere:
        break;
    case FrontEndProfile::UnknownEventFirst::InDisplay:
        m_replies->setText(errorText);
        break;
    case FrontEndProfile::UnknownEventFirst::InBox:
        m_operator.message(this, {errorText, {}, MessageIcon::None, MessageButtons::Ok});
        break;
    }
    if (!alive)
        return;
    m_operator.beep();
    const MessageAnswer answer =
        m_operator.message(this, {errorText, QStringLiteral("Click Cancel to quit, OK to ignore."),
                                  MessageIcon::None, MessageButtons::OkCancel});
    if (alive && answer == MessageAnswer::Cancel) {
        m_port->close();
        showPortState(PortState::Closed);
    }
}

void FrontEndWindow::onWatchdogExpired()
{
    const QPointer<FrontEndWindow> alive(this);
    // The watchdog is single-shot and already off, so a command sent while the
    // box is open keeps the watchdog it armed.
    tellCommunicationFailure();
    if (alive)
        watchdogReported();
}

void FrontEndWindow::reportBlockDownload(const BlockDownload& download, TransferOutcome outcome,
                                         const QString& cancelledText)
{
    switch (outcome) {
    case TransferOutcome::Complete:
        m_replies->setText(QStringLiteral("Download  Completed.        "));
        showStatus(downloadCompleteText(download.total()));
        m_operator.beep();
        return;
    case TransferOutcome::Cancelled:
        m_replies->setText(cancelledText);
        showStatus(QStringLiteral("Download cancelled after %1 of %2 lines")
                       .arg(download.sent())
                       .arg(download.total()));
        return;
    case TransferOutcome::Abandoned:
        return;
    default:
        // Where it stopped, never success; a refused write or a lost port
        // has been told already, a line that never left is told here.
        m_replies->setText(QStringLiteral("Download stopped after %1 of %2 lines.")
                               .arg(download.sent())
                               .arg(download.total()));
        showStatus(m_replies->text());
        if (outcome == TransferOutcome::NoReply)
            tellCommunicationFailure();
        return;
    }
}

void FrontEndWindow::reportBlockUpload(const BlockUpload& upload, TransferOutcome outcome,
                                       const QString& cancelledText, const QString& kind)
{
    switch (outcome) {
    case TransferOutcome::Complete: {
        const program::UploadedBlock block = upload.block();
        // The same text and caption for every kind, and "# 0" also for a
        // block without a number: the status line says what came.
        m_replies->setText(QStringLiteral("Program Uploaded . . . "));
        if (block.text.trimmed().isEmpty())
            showStatus(kind + QStringLiteral(" upload complete: the block was empty"));
        else if (block.text.contains(QStringLiteral("M31,")))
            showStatus(kind + QStringLiteral(" upload of # %1 complete").arg(block.programNo));
        else
            showStatus(kind + QStringLiteral(" upload complete"));
        m_operator.beep();
        replaceEditorText(block.text, program::uploadCaption(block.programNo));
        if (QString cut = program::cutAtEndText(block, QStringLiteral("the editor"));
            !cut.isEmpty()) {
            cut[0] = cut[0].toUpper();
            tell(cut + QStringLiteral(". Compare the end of the program with the controller's."));
        }
        return;
    }
    case TransferOutcome::TimedOut:
        m_replies->setText(QStringLiteral("Upload timeout error ! "));
        showStatus(upload.arrived() > 0
                       ? QStringLiteral("Upload timed out after %1 characters; the editor keeps "
                                        "its text.")
                             .arg(upload.arrived())
                       : QStringLiteral("Upload timed out: nothing arrived; the editor keeps its "
                                        "text."));
        m_operator.message(this, {QStringLiteral("Uploading timeout....    Please try again ! "),
                                  QStringLiteral("Timeout error"), MessageIcon::Exclamation,
                                  MessageButtons::Ok});
        return;
    case TransferOutcome::Cancelled:
        m_replies->setText(cancelledText);
        showStatus(QStringLiteral("Upload cancelled; the editor keeps its text."));
        return;
    case TransferOutcome::Abandoned:
        return;
    default:
        m_replies->setText(QStringLiteral("Upload stopped; the editor keeps its text."));
        showStatus(m_replies->text());
        // A lost port is told by the window; a flood is only known here.
        if (outcome == TransferOutcome::Overflow)
            tell(QStringLiteral("The controller sent more than %1 without \"END\"; the upload "
                                "was stopped. The editor keeps its text.")
                     .arg(receiveLimitText()));
        return;
    }
}

void FrontEndWindow::showVerifyResult(const QString& editorText, const QString& readBackText,
                                      const QString& downloadReport)
{
    const program::ProgramComparison compared = program::compareProgram(editorText, readBackText);
    const QString prefix = verifyStatusPrefix(downloadReport);
    if (compared.isEqual()) {
        const QString same =
            QStringLiteral("the controller holds the same %1 %2.")
                .arg(compared.storedLines)
                .arg(compared.storedLines == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
        showStatus(prefix + same);
        // A download's own report carries it; a Verify asked for on its own is answered.
        if (downloadReport.isEmpty())
            tell(same.front().toUpper() + same.mid(1), MessageIcon::Information);
        return;
    }
    const qsizetype count = compared.differing.size();
    const int firstLine = compared.rows[compared.differing.first()].line;
    const QString found =
        count == 1 ? QStringLiteral("1 difference") : QStringLiteral("%1 differences").arg(count);
    showStatus(downloadReport.isEmpty()
                   ? QStringLiteral("Verify: line %1 differs (%2)").arg(firstLine).arg(found)
                   : prefix + QStringLiteral("verify found %1, the first in line %2")
                                  .arg(found)
                                  .arg(firstLine));
    // One at a time: a new result replaces the one shown.
    if (auto* shown = findChild<DifferenceWindow*>(); shown)
        shown->close();
    (new DifferenceWindow(compared, this))->show();
}

void FrontEndWindow::reportFailedReadBack(TransferOutcome outcome, const QString& downloadReport)
{
    const QString prefix = downloadReport.isEmpty() ? QStringLiteral("Verify")
                                                    : downloadReport + QStringLiteral("; verify");
    switch (outcome) {
    case TransferOutcome::Complete:
    case TransferOutcome::Abandoned:
        return;
    case TransferOutcome::Cancelled:
        showStatus(prefix + QStringLiteral(" cancelled; nothing was compared"));
        return;
    case TransferOutcome::TimedOut:
    case TransferOutcome::Overflow:
        showStatus(prefix +
                   QStringLiteral(" could not read the program back; nothing was compared"));
        tell(outcome == TransferOutcome::TimedOut
                 ? QStringLiteral("Verify could not read the program back: the controller did not "
                                  "send it whole in time. Nothing was compared.")
                 : QStringLiteral("Verify could not read the program back: the controller sent "
                                  "more than %1 without ending it. Nothing was compared.")
                       .arg(receiveLimitText()));
        return;
    default:
        // A silent controller, a refused write or a lost port is told by the window.
        showStatus(prefix +
                   QStringLiteral(" could not read the program back; nothing was compared"));
        return;
    }
}

void FrontEndWindow::afterLastAnswer(std::function<void()> then)
{
    auto* settle = new LineWait(*m_link, LineWait::Kind::Quiet, this);
    connect(settle, &LineWait::ended, this, [settle, then = std::move(then)] {
        settle->deleteLater();
        then();
    });
    settle->start(m_timings.quietPeriod * 5);
}

QAction* FrontEndWindow::addVerifyAfterDownloadItem(QMenu* menu)
{
    static const QString key = QStringLiteral("transfers/verifyAfterDownload");
    QAction* item = addItem(menu, QStringLiteral("Verify &after download"), "mnuverifyafter");
    item->setCheckable(true);
    item->setChecked(QSettings().value(key, false).toBool());
    connect(item, &QAction::toggled, this, [](bool on) {
        QSettings settings;
        settings.setValue(key, on);
    });
    return item;
}

QString FrontEndWindow::verifyStatusPrefix(const QString& downloadReport)
{
    return downloadReport.isEmpty() ? QStringLiteral("Verify: ")
                                    : downloadReport + QStringLiteral("; ");
}

QString FrontEndWindow::downloadCompleteText(int linesSent)
{
    return QStringLiteral("Download complete: %1 lines sent").arg(linesSent);
}

void FrontEndWindow::tellCommunicationFailure()
{
    m_operator.message(this, {QStringLiteral("COMMUNICATION FAILED !!\r\nPLEASE ENSURE POWER IS ON "
                                             "AND COMM CABLE CONNECTED !"),
                              QStringLiteral("COMMUNICATION FAILURE"), MessageIcon::Critical,
                              MessageButtons::Ok});
}

void FrontEndWindow::onWriteFailed(const QString& errorText)
{
    // The system's "not open" would hide that the port was lost and is
    // waited for; the operator is told that again, in the same words.
    if (m_portState == PortState::Lost && !m_port->isOpen()) {
        tellLoss();
        return;
    }
    m_operator.message(this, {errorText, {}, MessageIcon::Exclamation, MessageButtons::Ok});
    // A port that never opened: the way to another device is offered again
    // where the operator meets the problem.
    if (m_portState == PortState::Closed && m_portNumber != 0 && !m_port->isOpen() &&
        !m_runner->isBusy())
        offerPortsAfterFailure();
}

void FrontEndWindow::onLinkLost(const QString& reason)
{
    const QString device = m_port->deviceName(m_portNumber);
    const bool gone = !device.isEmpty() && !deviceMayBePresent(device);
    showPortState(PortState::Lost);
    if (!m_reopeningHeld)
        m_watchForDevice->start();
    m_lossText = lossInPlainWords(m_portNumber, device, gone, reason) +
                 QStringLiteral("\r\nThe port is closed; the program text is kept. It opens "
                                "again by itself as soon as the device is back, or with View, "
                                "Reconnect.");
    tellLoss();
}

void FrontEndWindow::tellLoss()
{
    // One box at a time, and it goes when the device is back.
    m_lossNotice = m_operator.notice(
        this, {m_lossText, m_profile.boxTitle, MessageIcon::Exclamation, MessageButtons::Ok});
}

QRect FrontEndWindow::roomOnScreen() const
{
    // Less the title bar and the frame the window manager adds.
    return screen()->availableGeometry().adjusted(0, 0, -16, -48);
}

int FrontEndWindow::barsHeight() const
{
    return menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
}

void FrontEndWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (std::exchange(m_fitted, true) || !screen())
        return;
    fitPlanToScreen();
    QSize wanted = size();
    if (auto* area = qobject_cast<QScrollArea*>(centralWidget()); area && area->widget())
        wanted = area->widget()->size() + QSize(0, barsHeight());
    const QRect room = roomOnScreen();
    resize(wanted.boundedTo(room.size()).expandedTo(minimumSizeHint().boundedTo(room.size())));
    // In the middle of the screen, where the questions asked before it was
    // shown stood too, so a dialog still open over it stays centred over it.
    const QPoint middle = screen()->availableGeometry().center();
    move(qBound(room.left(), middle.x() - width() / 2, qMax(room.left(), room.right() - width())),
         qBound(room.top(), middle.y() - height() / 2, qMax(room.top(), room.bottom() - height())));
}

void FrontEndWindow::closeEvent(QCloseEvent* event)
{
    // The transfer ends before the save question: an upload finishing under
    // the question would otherwise put its text in place of the one saved.
    if (m_runner->isBusy()) {
        // What Cancel tells the controller goes out first (the four models'
        // "C"), so it is not left inside an open block.
        m_runner->cancel();
        m_runner->stop(TransferOutcome::Abandoned);
        if (m_link->isSending()) {
            event->ignore();
            if (!std::exchange(m_closeWaitsForLink, true))
                m_link->whenSent(this, [this] {
                    if (std::exchange(m_closeWaitsForLink, false))
                        close();
                });
            return;
        }
    }
    if (!editor().mayDiscardText()) {
        event->ignore();
        return;
    }
    closeOwnWindows();
    if (m_trafficLog)
        m_trafficLog->close();
    m_watchForDevice->stop();
    m_lossNotice.reset();
    m_closeWaitsForLink = false;
    m_link->shutDown();
    m_port->close();
    event->accept();
}

} // namespace kvt
