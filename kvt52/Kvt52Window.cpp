#include "Kvt52Window.h"

#include "CommSetupDialog.h"
#include "Version.h"
#include "editor/EditorController.h"
#include "family/PortSetup.h"
#include "family/Recipes.h"
#include "frontend/EditorPanel.h"
#include "frontend/MessagePanel.h"
#include "frontend/ReplyDisplay.h"
#include "link/SerialPort.h"
#include "shell/MenuItems.h"
#include "shell/MessageWindow.h"
#include "transfer/BlockDownload.h"
#include "transfer/BlockUpload.h"
#include "transfer/ProgramLines.h"

#include <QMenuBar>

namespace kvt {

namespace {
const QString crLf = QStringLiteral("\r\n");
const QString downloadingMessage =
    QStringLiteral("  Downloading in progress.... ,   Please wait  ");

FrontEndProfile kvt52Profile()
{
    FrontEndProfile p;
    p.windowName = "frmkvt_px_52";
    p.caption = QStringLiteral("KVT52 / KVT54 / PX52 / PX54 controller");
    p.portName = "CommKVT54";
    p.boxTitle = QStringLiteral("KVT52 / KVT54 / PX52 / PX54");
    p.link = portSetupFor(Family::Kvt52).link;
    p.editor = EditorProfile::kvt52();
    // The controller's text is only ever part of a transfer; nothing is displayed.
    p.replyPieces = 0;
    p.lineErrorShown = FrontEndProfile::LineErrorShown::InBox;
    p.unknownEventFirst = FrontEndProfile::UnknownEventFirst::InBox;
    return p;
}

// The menu items of each kind, in the menus' order.
struct BlockItems {
    BlockKind kind;
    const char* download;
    const char* upload;
};
constexpr BlockItems blockItems[] = {{BlockKind::Program, "mnudlprg", "mnuulprg"},
                                     {BlockKind::Position, "mnudlposdata", "mnuulposdata"},
                                     {BlockKind::Parameter, "mnudlpar", "mnuulpar"}};
} // namespace

Kvt52Window::Kvt52Window(const Model& model, Operator& op, std::unique_ptr<SerialPort> port,
                         const Timings& timings, QWidget* parent)
    : FrontEndWindow(kvt52Profile(), op, std::move(port), timings, parent), m_model(model)
{
    Q_ASSERT(model.family == Family::Kvt52);
    buildMenus();
    setCentralWidget(MessagePanel::besideEditor(m_editorPanel, m_replies));
    // Room for a screenful of program lines, well inside a 1366x768 screen.
    resize(760, 480);
    connect(m_editorPanel, &EditorPanel::activationRequested, this, &Kvt52Window::activateEditor);
    holdDuringTransfers({m_downloadMenu->menuAction(), m_uploadMenu->menuAction(), m_commItem,
                         m_fileMenu->menuAction(), m_editMenu->menuAction()});
}

Kvt52Window::~Kvt52Window() = default;

void Kvt52Window::buildMenus()
{
    m_fileMenu = addMenu(menuBar(), QStringLiteral("&File"), "mnufile");
    m_editMenu = addMenu(menuBar(), QStringLiteral("&Edit"), "mnuedit");
    m_editorPanel->fillMenus(m_fileMenu, m_editMenu, {nullptr, nullptr});
    m_downloadMenu = addMenu(menuBar(), QStringLiteral("&Download"), "mnudownload");
    for (const BlockItems& items : blockItems)
        connect(addItem(m_downloadMenu, blockKindCaption(items.kind), items.download),
                &QAction::triggered, this, [this, kind = items.kind] { downloadBlock(kind); });
    m_downloadMenu->addSeparator();
    m_verifyItem = addItem(m_downloadMenu, QStringLiteral("&Verify"), "mnuverify");
    connect(m_verifyItem, &QAction::triggered, this, [this] { verifyBlock({}); });
    m_verifyAfterItem = addVerifyAfterDownloadItem(m_downloadMenu);
    m_uploadMenu = addMenu(menuBar(), QStringLiteral("&Upload"), "mnuupload");
    for (const BlockItems& items : blockItems)
        connect(addItem(m_uploadMenu, blockKindCaption(items.kind), items.upload),
                &QAction::triggered, this, [this, kind = items.kind] { uploadBlock(kind); });
    m_editorPanel->setFollowingItems({m_downloadMenu->menuAction(), m_uploadMenu->menuAction()});
    m_commItem = addBarItem(menuBar(), QStringLiteral("&Communication"), "mnucomm");
    connect(m_commItem, &QAction::triggered, this, [this] { chooseCommSettings(true); });
    addViewMenu();
    m_helpMenu = addMenu(menuBar(), QStringLiteral("&Help"), "mnuhelp");
    // A caption only: the version the operator quotes when asking for help.
    addItem(m_helpMenu, QStringLiteral(KVTCOMM_VERSION_TEXT), "mnuversion");
    connect(addItem(m_helpMenu, QStringLiteral("&About kvtcomm"), "mnuabout"), &QAction::triggered,
            this, &FrontEndWindow::showAbout);
    m_exitItem = addBarItem(menuBar(), QStringLiteral("E&xit"), "mnuexit");
    connect(m_exitItem, &QAction::triggered, this, &QWidget::close);
}

void Kvt52Window::initialise()
{
    m_comm = {};
    // The port opens once the operator confirmed the dialog; until then the
    // window waits behind it with the editor ready.
    chooseCommSettings(false);
    greyOutEditor();
    activateEditor();
}

void Kvt52Window::greyOutEditor()
{
    m_editorPanel->greyOut();
}

void Kvt52Window::activateEditor()
{
    if (m_editorPanel->isGreyedOut())
        greyOutEditor();
    m_editorPanel->activate();
}

void Kvt52Window::chooseCommSettings(bool cancelOffered)
{
    if (m_choosingCommSettings) {
        m_commSetup->raise();
        return;
    }
    m_choosingCommSettings = true;
    holdReopening(true);
    m_commSetup = new CommSetupDialog(m_comm, cancelOffered,
                                      {port().deviceName(1), port().deviceName(2)}, this);
    connect(m_commSetup, &CommSetupDialog::chosen, this, [this](const CommChoice& choice) {
        m_choosingCommSettings = false;
        // OK reopens the port even when nothing changed.
        port().close();
        m_comm = choice;
        activateWindow();
        initComm();
        holdReopening(false);
    });
    connect(m_commSetup, &CommSetupDialog::cancelled, this, [this] {
        m_choosingCommSettings = false;
        holdReopening(false);
        activateWindow();
    });
    m_commSetup->show();
}

void Kvt52Window::initComm()
{
    m_operator.message(this, {m_model.name() + QStringLiteral(" is currently connected to Comm ") +
                                  QString::number(m_comm.port) + crLf +
                                  QStringLiteral("Setting : ") + m_comm.settings(),
                              QStringLiteral("Communication Port Setting"),
                              MessageIcon::Exclamation, MessageButtons::Ok});
    openPort(m_comm.port, portSetupFor(Family::Kvt52, m_comm.settings()));
}

void Kvt52Window::downloadBlock(BlockKind kind)
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
        crLf + crLf + QStringLiteral("  DOWNLOAD ") + blockKindName(kind) +
        QStringLiteral("  ????  ");
    if (m_operator.message(this, {question, QStringLiteral("DOWNLOADING SETUP"), MessageIcon::None,
                                  MessageButtons::YesNo}) != MessageAnswer::Yes)
        return;
    m_replies->setText(QStringLiteral(" DOWNLOADING  . . . \r\n  Please Wait . . . "));
    BlockDownload* download = recipes::blockDownload(link(), m_timings, Family::Kvt52, lines, kind);
    MessageWindow* messages = messageWindow();
    messages->setWindowTitle(QStringLiteral("Downloading ... "));
    messages->setMessage(downloadingMessage);
    connect(messages, &MessageWindow::cancelled, download, &TransferJob::cancel);
    connect(download, &TransferJob::progress, messages, [messages](int sent, int total) {
        messages->setMessage(downloadingMessage + crLf + crLf +
                             QStringLiteral("  %1 of %2 lines sent").arg(sent).arg(total));
    });
    connect(download, &TransferJob::finished, this,
            [this, download, kind](TransferOutcome outcome) {
                downloadFinished(*download, outcome, kind);
            });
    messages->show();
    runTransfer(download);
}

void Kvt52Window::downloadFinished(const BlockDownload& download, TransferOutcome outcome,
                                   BlockKind kind)
{
    unloadMessageWindow();
    reportBlockDownload(download, outcome, QStringLiteral(" Downloading Aborted by User ....."));
    if (outcome != TransferOutcome::Complete)
        return;
    m_lastDownloaded = kind;
    // The controller does not answer what it stored; only the read-back tells.
    if (m_verifyAfterItem->isChecked())
        afterLastAnswer(
            [this, report = downloadCompleteText(download.total())] { verifyBlock(report); });
}

void Kvt52Window::verifyBlock(const QString& downloadReport)
{
    if (refuseSecondTransfer())
        return;
    const BlockKind kind = m_lastDownloaded;
    const QString text = editor().text();
    MessageWindow* messages = messageWindow();
    messages->setWindowTitle(QStringLiteral("Verify ... "));
    messages->setMessage(QStringLiteral("  Reading the ") + blockKindName(kind) +
                         QStringLiteral(" back to compare it with the editor .... ") + crLf + crLf +
                         QStringLiteral("  Click <Cancel> to abort the verify ") + crLf);
    BlockUpload* upload = recipes::blockUpload(link(), m_timings, Family::Kvt52, kind);
    connect(messages, &MessageWindow::cancelled, upload, &TransferJob::cancel);
    connect(upload, &TransferJob::finished, this,
            [this, upload, text, downloadReport](TransferOutcome outcome) {
                unloadMessageWindow();
                if (outcome == TransferOutcome::Complete)
                    showVerifyResult(text, upload->block().text, downloadReport);
                else
                    reportFailedReadBack(outcome, downloadReport);
            });
    showStatus(verifyStatusPrefix(downloadReport) +
               QStringLiteral("reading the %1 back ...").arg(blockKindName(kind).toLower()));
    messages->show();
    runTransfer(upload);
}

void Kvt52Window::uploadBlock(BlockKind kind)
{
    if (refuseSecondTransfer() || !mayReplaceEditorText())
        return;
    MessageWindow* messages = messageWindow();
    messages->setWindowTitle(QStringLiteral("UPLOADING SETUP"));
    messages->setMessage(QStringLiteral("  Please ensure controller is in idle mode, ") + crLf +
                         QStringLiteral("  else Cancel and retry   ") + crLf + crLf +
                         QStringLiteral("  Uploading ") + blockKindName(kind) +
                         QStringLiteral(" in progress .... ") + crLf + crLf +
                         QStringLiteral("  Click <Cancel> to abort the uploading ") + crLf + crLf);
    BlockUpload* upload = recipes::blockUpload(link(), m_timings, Family::Kvt52, kind);
    connect(messages, &MessageWindow::cancelled, upload, &TransferJob::cancel);
    connect(upload, &TransferJob::finished, this, [this, upload, kind](TransferOutcome outcome) {
        uploadFinished(*upload, outcome, kind);
    });
    m_replies->setText(QStringLiteral("Uploading . . . \n\r Please Wait  . . . "));
    messages->show();
    runTransfer(upload);
}

void Kvt52Window::uploadFinished(const BlockUpload& upload, TransferOutcome outcome, BlockKind kind)
{
    unloadMessageWindow();
    // The status line names what came, where the system's texts say "Program" for all.
    const QString came =
        kind == BlockKind::Parameter ? QStringLiteral("Parameters") : blockKindCaption(kind);
    reportBlockUpload(upload, outcome, QStringLiteral(" Uploading Aborted by User ....."), came);
}

void Kvt52Window::closeOwnWindows()
{
    // Closed with the window, not chosen: no port opens behind a closing window.
    if (m_commSetup) {
        m_commSetup->disconnect(this);
        m_commSetup->close();
    }
}

} // namespace kvt
