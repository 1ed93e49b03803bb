#include "Kvt52Window.h"

#include "CommSetupDialog.h"
#include "Version.h"
#include "editor/EditorController.h"
#include "frontend/EditorPanel.h"
#include "frontend/MessagePanel.h"
#include "frontend/ReplyDisplay.h"
#include "link/SerialPort.h"
#include "shell/MenuItems.h"
#include "shell/MessageWindow.h"
#include "shell/Module1.h"
#include "transfer/BlockDownload.h"
#include "transfer/BlockUpload.h"
#include "transfer/ProgramLines.h"

#include <QMenuBar>

namespace kvt {

namespace {
const QString crLf = QStringLiteral("\r\n");
const QString downloadingMessage =
    QStringLiteral("  Downloading in progress.... ,   Please wait  ");

FrontEndProfile fourModelProfile()
{
    FrontEndProfile p;
    p.windowName = "frmkvt_px_52";
    p.caption = QStringLiteral("KVT52 / KVT54 / PX52 / PX54 controller");
    p.portName = "CommKVT54";
    p.boxTitle = QStringLiteral("KVT52 / KVT54 / PX52 / PX54");
    p.link = LinkProfile::fourModel();
    p.editor = EditorProfile::fourModel();
    // The controller's text is only ever part of a transfer; nothing is displayed.
    p.replyPieces = 0;
    p.lineErrorShown = FrontEndProfile::LineErrorShown::InBox;
    p.unknownEventFirst = FrontEndProfile::UnknownEventFirst::InBox;
    return p;
}

struct Block {
    const char* menuItem;
    const char* caption;
    const char* command;
    const char* kind;
};
constexpr Block downloads[] = {{"mnudlprg", "Program", "S00", "PROGRAM"},
                               {"mnudlposdata", "Position Data", "S01", "POSITION DATA"},
                               {"mnudlpar", "Parameter", "S02", "PARAMETER"}};
constexpr Block uploads[] = {{"mnuulprg", "Program", "S03", "PROGRAM"},
                             {"mnuulposdata", "Position Data", "S04", "POSITION DATA"},
                             {"mnuulpar", "Parameter", "S05", "PARAMETER"}};

QString kindOf(const QString& command)
{
    for (const auto* blocks : {downloads, uploads})
        for (int i = 0; i < 3; ++i)
            if (command == QLatin1String(blocks[i].command))
                return QLatin1String(blocks[i].kind);
    return QStringLiteral("PARAMETER");
}
} // namespace

Kvt52Window::Kvt52Window(Operator& op, std::unique_ptr<SerialPort> port, const Timings& timings,
                         QWidget* parent)
    : FrontEndWindow(fourModelProfile(), op, std::move(port), timings, parent)
{
    buildMenus();
    setCentralWidget(MessagePanel::besideEditor(fraeditor, lblresponse));
    // Room for a screenful of program lines, well inside a 1366x768 screen.
    resize(760, 480);
    connect(fraeditor, &EditorPanel::activationRequested, this, &Kvt52Window::editen);
    holdDuringTransfers({mnudownload->menuAction(), mnuupload->menuAction(), mnucomm,
                         mnufile->menuAction(), mnuedit->menuAction()});
}

Kvt52Window::~Kvt52Window() = default;

void Kvt52Window::buildMenus()
{
    mnufile = addMenu(menuBar(), QStringLiteral("&File"), "mnufile");
    mnuedit = addMenu(menuBar(), QStringLiteral("&Edit"), "mnuedit");
    fraeditor->fillMenus(mnufile, mnuedit, {nullptr, nullptr});
    mnudownload = addMenu(menuBar(), QStringLiteral("&Download"), "mnudownload");
    for (const Block& block : downloads)
        connect(addItem(mnudownload, QLatin1String(block.caption), block.menuItem),
                &QAction::triggered, this,
                [this, command = QLatin1String(block.command)] { DownloadBlock(command); });
    mnudownload->addSeparator();
    mnuverify = addItem(mnudownload, QStringLiteral("&Verify"), "mnuverify");
    connect(mnuverify, &QAction::triggered, this, [this] { verifyBlock({}); });
    mnuverifyafter = addVerifyAfterDownloadItem(mnudownload);
    mnuupload = addMenu(menuBar(), QStringLiteral("&Upload"), "mnuupload");
    for (const Block& block : uploads)
        connect(addItem(mnuupload, QLatin1String(block.caption), block.menuItem),
                &QAction::triggered, this,
                [this, command = QLatin1String(block.command)] { UploadBlock(command); });
    fraeditor->setFollowingItems({mnudownload->menuAction(), mnuupload->menuAction()});
    mnucomm = addBarItem(menuBar(), QStringLiteral("&Communication"), "mnucomm");
    connect(mnucomm, &QAction::triggered, this, [this] { mnucomm_Click(true); });
    addViewMenu();
    mnuhelp = addMenu(menuBar(), QStringLiteral("&Help"), "mnuhelp");
    // A caption only: the version the operator quotes when asking for help.
    addItem(mnuhelp, QStringLiteral(KVTCOMM_VERSION_TEXT), "mnuversion");
    connect(addItem(mnuhelp, QStringLiteral("&About kvtcomm"), "mnuabout"), &QAction::triggered,
            this, &FrontEndWindow::showAbout);
    mnuexit = addBarItem(menuBar(), QStringLiteral("E&xit"), "mnuexit");
    connect(mnuexit, &QAction::triggered, this, &QWidget::close);
}

void Kvt52Window::initialise()
{
    m_comm = {};
    // The port opens once the operator confirmed the dialog; until then the
    // window waits behind it with the editor ready.
    mnucomm_Click(false);
    formdisable();
    Module1::RunStartSpeed = 500;
    Module1::RunMaxSpeed = 5000;
    Module1::RunAccel = 1;
    Module1::UploadProgramNo = 0;
    editen();
    Module1::UploadActive = False;
    Module1::DownloadActive = False;
}

void Kvt52Window::formdisable()
{
    fraeditor->greyOut();
}

void Kvt52Window::editen()
{
    if (fraeditor->isGreyedOut())
        formdisable();
    fraeditor->activate();
}

void Kvt52Window::mnucomm_Click(bool cancelOffered)
{
    if (m_commmenu) {
        frmcommsetup->raise();
        return;
    }
    m_commmenu = true;
    holdReopening(true);
    frmcommsetup = new CommSetupDialog(m_comm, cancelOffered,
                                       {port().deviceName(1), port().deviceName(2)}, this);
    connect(frmcommsetup, &CommSetupDialog::chosen, this, [this](const CommChoice& choice) {
        m_commmenu = false;
        // OK reopens the port even when nothing changed.
        port().close();
        m_comm = choice;
        activateWindow();
        Comm_Init();
        holdReopening(false);
    });
    connect(frmcommsetup, &CommSetupDialog::cancelled, this, [this] {
        m_commmenu = false;
        holdReopening(false);
        activateWindow();
    });
    frmcommsetup->show();
}

void Kvt52Window::Comm_Init()
{
    m_operator.message(
        this,
        {modelName(Module1::ModelNo) + QStringLiteral(" is currently connected to Comm ") +
             QString::number(m_comm.Port) + crLf + QStringLiteral("Setting : ") + m_comm.settings(),
         QStringLiteral("Communication Port Setting"), MessageIcon::Exclamation,
         MessageButtons::Ok});
    openPort(m_comm.Port, {2, 2, m_comm.settings(), Handshaking::RtsCts});
}

void Kvt52Window::DownloadBlock(const QString& command)
{
    if (refuseSecondTransfer())
        return;
    const QList<program::ProgramLine> lines = program::programLines(editor().text());
    if (refuseUnsendableProgram(lines) || !mayDownloadPastEarlyEnd(lines))
        return;
    const QString question =
        QStringLiteral(" << PLEASE MAKE SURE CONTROLLER IS IN IDLE MODE >> ") + crLf + crLf +
        QStringLiteral("IF PROGRAM EXIST, PLEASE DELETE PROGRAM FIRST BEFORE SETTING UP "
                       "CONTROLLER FOR DOWNLOADING AGAIN ") +
        crLf + crLf + QStringLiteral("  DOWNLOAD ") + kindOf(command) + QStringLiteral("  ????  ");
    if (m_operator.message(this, {question, QStringLiteral("DOWNLOADING SETUP"), MessageIcon::None,
                                  MessageButtons::YesNo}) != MessageAnswer::Yes)
        return;
    lblresponse->setText(QStringLiteral(" DOWNLOADING  . . . \r\n  Please Wait . . . "));
    Module1::DownloadActive = True;
    Module1::TransferAborted = False;
    // A line the handshake holds back for as long as the watchdog would wait
    // means the controller is off: the download stops instead of hanging.
    auto* download = new BlockDownload(link(), lines,
                                       {command, LineWait::Kind::Quiet, m_timings.quietPeriod,
                                        m_timings.blockWatchdog, m_timings.blockWatchdog, "C"});
    MessageWindow* frmmessage = MessageWindow::instance(this);
    frmmessage->setWindowTitle(QStringLiteral("Downloading ... "));
    frmmessage->setMessage(downloadingMessage);
    connect(frmmessage, &MessageWindow::cancelled, download, &TransferJob::cancel);
    connect(download, &TransferJob::progress, frmmessage, [frmmessage](int sent, int total) {
        frmmessage->setMessage(downloadingMessage + crLf + crLf +
                               QStringLiteral("  %1 of %2 lines sent").arg(sent).arg(total));
    });
    connect(download, &TransferJob::finished, this,
            [this, download](TransferOutcome outcome) { downloadFinished(*download, outcome); });
    frmmessage->show();
    runTransfer(download);
}

void Kvt52Window::downloadFinished(const BlockDownload& download, TransferOutcome outcome)
{
    MessageWindow::unload();
    Module1::DownloadActive = False;
    reportBlockDownload(download, outcome, QStringLiteral(" Downloading Aborted by User ....."));
    if (outcome != TransferOutcome::Complete)
        return;
    m_lastDownloaded = download.opening();
    // The controller does not answer what it stored; only the read-back tells.
    if (mnuverifyafter->isChecked())
        afterLastAnswer(
            [this, report = downloadCompleteText(download.total())] { verifyBlock(report); });
}

void Kvt52Window::verifyBlock(const QString& downloadReport)
{
    if (refuseSecondTransfer())
        return;
    QString command = QLatin1String(uploads[0].command);
    for (int i = 0; i < 3; ++i)
        if (m_lastDownloaded == QLatin1String(downloads[i].command))
            command = QLatin1String(uploads[i].command);
    const QString text = editor().text();
    MessageWindow* frmmessage = MessageWindow::instance(this);
    frmmessage->setWindowTitle(QStringLiteral("Verify ... "));
    frmmessage->setMessage(QStringLiteral("  Reading the ") + kindOf(command) +
                           QStringLiteral(" back to compare it with the editor .... ") + crLf +
                           crLf + QStringLiteral("  Click <Cancel> to abort the verify ") + crLf);
    auto* upload = new BlockUpload(link(), m_timings.blockUploadLimit,
                                   BlockUpload::Request{command, m_timings.blockWatchdog});
    connect(frmmessage, &MessageWindow::cancelled, upload, &TransferJob::cancel);
    connect(upload, &TransferJob::finished, this,
            [this, upload, text, downloadReport](TransferOutcome outcome) {
                MessageWindow::unload();
                if (outcome == TransferOutcome::Complete)
                    showVerifyResult(text, upload->block().text, downloadReport);
                else
                    reportFailedReadBack(outcome, downloadReport);
            });
    showStatus(verifyStatusPrefix(downloadReport) +
               QStringLiteral("reading the %1 back ...").arg(kindOf(command).toLower()));
    frmmessage->show();
    runTransfer(upload);
}

void Kvt52Window::UploadBlock(const QString& command)
{
    if (refuseSecondTransfer() || !mayReplaceEditorText())
        return;
    MessageWindow* frmmessage = MessageWindow::instance(this);
    frmmessage->setWindowTitle(QStringLiteral("UPLOADING SETUP"));
    frmmessage->setMessage(
        QStringLiteral("  Please ensure controller is in idle mode, ") + crLf +
        QStringLiteral("  else Cancel and retry   ") + crLf + crLf +
        QStringLiteral("  Uploading ") + kindOf(command) + QStringLiteral(" in progress .... ") +
        crLf + crLf + QStringLiteral("  Click <Cancel> to abort the uploading ") + crLf + crLf);
    Module1::TransferAborted = False;
    Module1::UploadActive = True;
    auto* upload = new BlockUpload(link(), m_timings.blockUploadLimit,
                                   BlockUpload::Request{command, m_timings.blockWatchdog});
    upload->setEndLineQuiet(m_timings.endLineQuiet);
    connect(frmmessage, &MessageWindow::cancelled, upload, &TransferJob::cancel);
    connect(upload, &TransferJob::finished, this, [this, upload, command](TransferOutcome outcome) {
        uploadFinished(*upload, outcome, command);
    });
    lblresponse->setText(QStringLiteral("Uploading . . . \n\r Please Wait  . . . "));
    frmmessage->show();
    runTransfer(upload);
}

void Kvt52Window::uploadFinished(const BlockUpload& upload, TransferOutcome outcome,
                                 const QString& command)
{
    MessageWindow::unload();
    Module1::UploadActive = False;
    // The status line names what came, where the system's texts say "Program" for all.
    QString kind = QStringLiteral("Parameters");
    for (const Block& block : {uploads[0], uploads[1]})
        if (command == QLatin1String(block.command))
            kind = QLatin1String(block.caption);
    reportBlockUpload(upload, outcome, QStringLiteral(" Uploading Aborted by User ....."), kind);
}

void Kvt52Window::closeOwnWindows()
{
    // Closed with the window, not chosen: no port opens behind a closing window.
    if (frmcommsetup) {
        frmcommsetup->disconnect(this);
        frmcommsetup->close();
    }
}

} // namespace kvt
