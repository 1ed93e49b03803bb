#include "Kvt31_33Window.h"

#include "editor/EditorController.h"
#include "family/PortSetup.h"
#include "family/Recipes.h"
#include "frontend/EditorPanel.h"
#include "frontend/MessagePanel.h"
#include "frontend/ReplyDisplay.h"
#include "shell/MenuItems.h"
#include "shell/MessageWindow.h"
#include "transfer/BlockDownload.h"
#include "transfer/BlockUpload.h"
#include "transfer/Kvt31_33Instructions.h"
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
    p.link = portSetupFor(Family::Kvt31_33).link;
    p.editor = EditorProfile::kvt31_33();
    p.replyPieces = 9;
    p.lineErrorShown = FrontEndProfile::LineErrorShown::Replacing;
    p.unknownEventFirst = FrontEndProfile::UnknownEventFirst::InDisplay;
    return p;
}
} // namespace

Kvt31_33Window::Kvt31_33Window(const Model& model, Operator& op, std::unique_ptr<SerialPort> port,
                               const Timings& timings, QWidget* parent)
    : FrontEndWindow(kvt31_33Profile(), op, std::move(port), timings, parent), m_model(model)
{
    Q_ASSERT(model.family == Family::Kvt31_33);
    buildMenus();
    buildFrames();
    connect(m_editorPanel, &EditorPanel::activationRequested, this,
            &Kvt31_33Window::activateEditor);
    holdDuringTransfers({m_fileMenu->menuAction(), m_editMenu->menuAction(),
                         m_downloadMenu->menuAction(), m_downloadItem, m_verifyItem, m_uploadItem});
}

Kvt31_33Window::~Kvt31_33Window() = default;

void Kvt31_33Window::buildMenus()
{
    m_fileMenu = addMenu(menuBar(), QStringLiteral("&File"), "mnufile");
    m_editMenu = addMenu(menuBar(), QStringLiteral("&Edit"), "mnuedit");
    m_editorPanel->fillMenus(m_fileMenu, m_editMenu, {"mnueditact", "mnueditclose"});
    m_downloadMenu = addMenu(menuBar(), QStringLiteral("&Download"), "mnudownloadmenu");
    m_downloadItem = addItem(m_downloadMenu, QStringLiteral("&Program"), "mnudownload");
    m_verifyItem = addItem(m_downloadMenu, QStringLiteral("&Verify"), "mnuverify");
    m_uploadItem = addBarItem(menuBar(), QStringLiteral("&Upload"), "mnuupload");
    m_editorPanel->setFollowingItems(
        {m_downloadMenu->menuAction(), m_downloadItem, m_verifyItem, m_uploadItem});
    addViewMenu();
    connect(addItem(addMenu(menuBar(), QStringLiteral("&Help"), "mnuhelp"),
                    QStringLiteral("&About kvtcomm"), "mnuabout"),
            &QAction::triggered, this, &FrontEndWindow::showAbout);
    m_exitItem = addBarItem(menuBar(), QStringLiteral("E&xit"), "mnuexit");

    connect(m_downloadItem, &QAction::triggered, this, &Kvt31_33Window::startDownload);
    connect(m_uploadItem, &QAction::triggered, this, &Kvt31_33Window::startUpload);
    connect(m_verifyItem, &QAction::triggered, this, &Kvt31_33Window::startVerify);
    connect(m_exitItem, &QAction::triggered, this, &QWidget::close);
}

void Kvt31_33Window::buildFrames()
{
    setCentralWidget(MessagePanel::besideEditor(m_editorPanel, m_replies));
    // Room for a screenful of program lines, well inside a 1366x768 screen.
    resize(760, 480);
}

void Kvt31_33Window::initialise()
{
    const bool kvt31 = m_model.number == 1;
    const int portNumber =
        askPortNumber({kvt31 ? QStringLiteral("IS KVT31 CURRENTLY CONNECTED TO COM1 ? ")
                             : QStringLiteral("IS KVT33 CURRENTLY CONNECTED TO COM1 ? "),
                       kvt31 ? QStringLiteral("KVT31 IS CONNECTED TO COM2 ")
                             : QStringLiteral("KVT33 IS  CONNECTED TO  COM2 "),
                       portTitle});
    openPort(portNumber, portSetupFor(Family::Kvt31_33));

    greyOutEditor();
    activateEditor();
}

void Kvt31_33Window::greyOutEditor()
{
    m_editorPanel->greyOut();
}

void Kvt31_33Window::activateEditor()
{
    if (m_editorPanel->isGreyedOut())
        greyOutEditor();
    m_editorPanel->activate();
}

void Kvt31_33Window::startDownload()
{
    if (refuseSecondTransfer())
        return;
    const QList<program::ProgramLine> lines = program::programLines(editor().text());
    if (refuseUnsendableProgram(lines) || !mayDownloadPastEarlyEnd(lines))
        return;
    if (m_operator.message(this,
                           {kvt31_33::downloadInstructions(), QStringLiteral("DOWNLOADING SETUP"),
                            MessageIcon::None, MessageButtons::OkCancel}) != MessageAnswer::Ok)
        return;
    m_replies->setText(QStringLiteral(" DOWNLOADING  . . . \r\n  Please Wait . . . "));
    BlockDownload* download = recipes::blockDownload(link(), m_timings, Family::Kvt31_33, lines);
    connect(download, &TransferJob::progress, this, [this](int sent, int total) {
        showStatus(QStringLiteral("Download: %1 of %2 lines sent").arg(sent).arg(total));
    });
    connect(download, &TransferJob::finished, this, [this, download](TransferOutcome outcome) {
        reportBlockDownload(*download, outcome, {});
    });
    runTransfer(download);
}

void Kvt31_33Window::startUpload()
{
    if (refuseSecondTransfer() || !mayReplaceEditorText())
        return;
    BlockUpload* upload = recipes::blockUpload(link(), m_timings, Family::Kvt31_33);
    connect(upload, &TransferJob::finished, this,
            [this, upload](TransferOutcome outcome) { uploadFinished(*upload, outcome); });

    MessageWindow* messages = messageWindow();
    messages->setWindowTitle(QStringLiteral("UPLOADING SETUP"));
    messages->setMessage(kvt31_33::uploadInstructions());
    // Cancel and the close box alike end the upload.
    connect(messages, &MessageWindow::cancelled, upload, &TransferJob::cancel);
    m_replies->setText(QStringLiteral("Uploading . . . \r\n Please Wait  . . . "));
    // Only the message window is left to the operator until the upload ends.
    setEnabled(false);
    messages->show();
    runTransfer(upload);
}

void Kvt31_33Window::uploadFinished(const BlockUpload& upload, TransferOutcome outcome)
{
    // Cancel has closed the message window already; every other end closes it here.
    unloadMessageWindow();
    setEnabled(true);
    if (outcome != TransferOutcome::Abandoned) {
        raise();
        activateWindow();
    }
    reportBlockUpload(upload, outcome, QStringLiteral("Upload Aborted by user ..."));
}

void Kvt31_33Window::startVerify()
{
    if (refuseSecondTransfer())
        return;
    const QString text = editor().text();
    BlockUpload* upload = recipes::blockUpload(link(), m_timings, Family::Kvt31_33);
    connect(upload, &TransferJob::finished, this, [this, upload, text](TransferOutcome outcome) {
        unloadMessageWindow();
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
    MessageWindow* messages = messageWindow();
    messages->setWindowTitle(QStringLiteral("VERIFY: UPLOADING SETUP"));
    messages->setMessage(kvt31_33::uploadInstructions());
    connect(messages, &MessageWindow::cancelled, upload, &TransferJob::cancel);
    showStatus(QStringLiteral("Verify: waiting for the controller to send the program ..."));
    // As in an upload, only the message window is left to the operator.
    setEnabled(false);
    messages->show();
    runTransfer(upload);
}

} // namespace kvt
