#include "Kvt31_33Window.h"

#include "editor/EditorController.h"
#include "frontend/EditorPanel.h"
#include "frontend/MessagePanel.h"
#include "frontend/ReplyDisplay.h"
#include "shell/MenuItems.h"
#include "shell/MessageWindow.h"
#include "shell/Module1.h"
#include "transfer/BlockDownload.h"
#include "transfer/BlockUpload.h"
#include "transfer/KeypadInstructions.h"
#include "transfer/ProgramLines.h"

#include <QMenuBar>

namespace kvt {

namespace {
const QString portTitle = QStringLiteral("COMMUNICATION INTERFACE");

FrontEndProfile kvt31_33Profile()
{
    FrontEndProfile p;
    p.windowName = "frmkvt_31_33";
    p.caption = QStringLiteral("KVT31 / KVT33  controller");
    p.portName = "Comm31";
    p.boxTitle = portTitle;
    p.link = LinkProfile::kvt31_33();
    p.editor = EditorProfile::kvt31_33();
    p.replyPieces = 9;
    p.lineErrorShown = FrontEndProfile::LineErrorShown::Replacing;
    p.unknownEventFirst = FrontEndProfile::UnknownEventFirst::InDisplay;
    return p;
}
} // namespace

Kvt31_33Window::Kvt31_33Window(Operator& op, std::unique_ptr<SerialPort> port,
                               const Timings& timings, QWidget* parent)
    : FrontEndWindow(kvt31_33Profile(), op, std::move(port), timings, parent)
{
    buildMenus();
    buildFrames();
    connect(fraeditor, &EditorPanel::activationRequested, this, &Kvt31_33Window::editen);
    holdDuringTransfers({mnufile->menuAction(), mnuedit->menuAction(),
                         mnudownloadmenu->menuAction(), mnudownload, mnuverify, mnuupload});
}

Kvt31_33Window::~Kvt31_33Window() = default;

void Kvt31_33Window::buildMenus()
{
    mnufile = addMenu(menuBar(), QStringLiteral("&File"), "mnufile");
    mnuedit = addMenu(menuBar(), QStringLiteral("&Edit"), "mnuedit");
    fraeditor->fillMenus(mnufile, mnuedit, {"mnueditact", "mnueditclose"});
    mnudownloadmenu = addMenu(menuBar(), QStringLiteral("&Download"), "mnudownloadmenu");
    mnudownload = addItem(mnudownloadmenu, QStringLiteral("&Program"), "mnudownload");
    mnuverify = addItem(mnudownloadmenu, QStringLiteral("&Verify"), "mnuverify");
    mnuupload = addBarItem(menuBar(), QStringLiteral("&Upload"), "mnuupload");
    fraeditor->setFollowingItems(
        {mnudownloadmenu->menuAction(), mnudownload, mnuverify, mnuupload});
    addViewMenu();
    connect(addItem(addMenu(menuBar(), QStringLiteral("&Help"), "mnuhelp"),
                    QStringLiteral("&About kvtcomm"), "mnuabout"),
            &QAction::triggered, this, &FrontEndWindow::showAbout);
    mnuexit = addBarItem(menuBar(), QStringLiteral("E&xit"), "mnuexit");

    connect(mnudownload, &QAction::triggered, this, &Kvt31_33Window::mnudownload_Click);
    connect(mnuupload, &QAction::triggered, this, &Kvt31_33Window::mnuupload_Click);
    connect(mnuverify, &QAction::triggered, this, &Kvt31_33Window::mnuverify_Click);
    connect(mnuexit, &QAction::triggered, this, &QWidget::close);
}

void Kvt31_33Window::buildFrames()
{
    setCentralWidget(MessagePanel::besideEditor(fraeditor, lblresponse));
    // Room for a screenful of program lines, well inside a 1366x768 screen.
    resize(760, 480);
}

void Kvt31_33Window::initialise()
{
    const bool kvt31 = Module1::ModelNo == 1;
    const int portNumber =
        askPortNumber({kvt31 ? QStringLiteral("IS KVT31 CURRENTLY CONNECTED TO COM1 ? ")
                             : QStringLiteral("IS KVT33 CURRENTLY CONNECTED TO COM1 ? "),
                       kvt31 ? QStringLiteral("KVT31 IS CONNECTED TO COM2 ")
                             : QStringLiteral("KVT33 IS  CONNECTED TO  COM2 "),
                       portTitle});
    openPort(portNumber, {0, 2, QStringLiteral("1200,N,8,1"), Handshaking::RtsCts});

    formdisable();
    editen();

    // Kept for the other windows; this one never reads them.
    Module1::RunStartSpeed = 500;
    Module1::RunMaxSpeed = 5000;
    Module1::RunAccel = 1;
    Module1::UploadProgramNo = 0;
}

void Kvt31_33Window::formdisable()
{
    fraeditor->greyOut();
}

void Kvt31_33Window::editen()
{
    if (fraeditor->isGreyedOut())
        formdisable();
    fraeditor->activate();
}

void Kvt31_33Window::mnudownload_Click()
{
    if (refuseSecondTransfer())
        return;
    const QList<program::ProgramLine> lines = program::programLines(editor().text());
    if (refuseUnsendableProgram(lines) || !mayDownloadPastEarlyEnd(lines))
        return;
    if (m_operator.message(this,
                           {keypad::downloadInstructions(), QStringLiteral("DOWNLOADING SETUP"),
                            MessageIcon::None, MessageButtons::OkCancel}) != MessageAnswer::Ok)
        return;
    lblresponse->setText(QStringLiteral(" DOWNLOADING  . . . \r\n  Please Wait . . . "));
    // A line that cannot leave the port within the watchdog time means the
    // handshake holds the line: the controller is off or the cable is out.
    auto* download = new BlockDownload(
        link(), lines, {{}, LineWait::Kind::Fixed, m_timings.keypadPause, m_timings.watchdog});
    connect(download, &TransferJob::progress, this, [this](int sent, int total) {
        showStatus(QStringLiteral("Download: %1 of %2 lines sent").arg(sent).arg(total));
    });
    connect(download, &TransferJob::finished, this, [this, download](TransferOutcome outcome) {
        reportBlockDownload(*download, outcome, {});
    });
    runTransfer(download);
}

void Kvt31_33Window::mnuupload_Click()
{
    if (refuseSecondTransfer() || !mayReplaceEditorText())
        return;
    Module1::UploadActive = True;
    auto* upload = new BlockUpload(link(), m_timings.keypadUploadLimit);
    upload->setEndLineQuiet(m_timings.endLineQuiet);
    connect(upload, &TransferJob::finished, this,
            [this, upload](TransferOutcome outcome) { uploadFinished(*upload, outcome); });

    MessageWindow* frmmessage = MessageWindow::instance(this);
    frmmessage->setWindowTitle(QStringLiteral("UPLOADING SETUP"));
    frmmessage->setMessage(keypad::uploadInstructions());
    // Cancel and the close box alike end the upload.
    connect(frmmessage, &MessageWindow::cancelled, upload, &TransferJob::cancel);
    lblresponse->setText(QStringLiteral("Uploading . . . \r\n Please Wait  . . . "));
    // Only the message window is left to the operator until the upload ends.
    setEnabled(false);
    frmmessage->show();
    runTransfer(upload);
}

void Kvt31_33Window::uploadFinished(const BlockUpload& upload, TransferOutcome outcome)
{
    // Cancel has closed the message window already; every other end closes it here.
    MessageWindow::unload();
    Module1::UploadActive = False;
    setEnabled(true);
    if (outcome != TransferOutcome::Abandoned) {
        raise();
        activateWindow();
    }
    reportBlockUpload(upload, outcome, QStringLiteral("Upload Aborted by user ..."));
}

void Kvt31_33Window::mnuverify_Click()
{
    if (refuseSecondTransfer())
        return;
    const QString text = editor().text();
    auto* upload = new BlockUpload(link(), m_timings.keypadUploadLimit);
    connect(upload, &TransferJob::finished, this, [this, upload, text](TransferOutcome outcome) {
        MessageWindow::unload();
        setEnabled(true);
        if (outcome == TransferOutcome::Abandoned)
            return;
        raise();
        activateWindow();
        if (outcome == TransferOutcome::Complete)
            showVerifyResult(text, upload->block().text);
        else
            reportFailedReadBack(outcome);
    });
    MessageWindow* frmmessage = MessageWindow::instance(this);
    frmmessage->setWindowTitle(QStringLiteral("VERIFY: UPLOADING SETUP"));
    frmmessage->setMessage(keypad::uploadInstructions());
    connect(frmmessage, &MessageWindow::cancelled, upload, &TransferJob::cancel);
    showStatus(QStringLiteral("Verify: waiting for the controller to send the program ..."));
    // As in an upload, only the message window is left to the operator.
    setEnabled(false);
    frmmessage->show();
    runTransfer(upload);
}

} // namespace kvt
