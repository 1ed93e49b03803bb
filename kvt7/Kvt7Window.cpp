#include "Kvt7Window.h"

#include "ChoiceDialog.h"
#include "JogDialog.h"
#include "LineNumbers.h"
#include "ManualPanel.h"
#include "MonitorPanel.h"
#include "PlanScale.h"
#include "SpeedDialog.h"
#include "base/ReplyText.h"
#include "editor/EditorController.h"
#include "family/PortSetup.h"
#include "frontend/EditorPanel.h"
#include "frontend/FrameClicks.h"
#include "frontend/PanelLook.h"
#include "frontend/ReplyDisplay.h"
#include "link/SerialLink.h"
#include "shell/MenuItems.h"
#include "transfer/Kvt7Download.h"
#include "transfer/Kvt7Upload.h"
#include "transfer/ProgramComparison.h"
#include "transfer/ReceiveLimit.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace kvt {

namespace {
const QString boxTitle = QStringLiteral("KVT7 COMMUNICATION INTERFACE");
constexpr int historyPieces = 13;

FrontEndProfile kvt7Profile()
{
    FrontEndProfile p;
    p.windowName = "frmkvt_7";
    p.caption = QStringLiteral("KVT7 communication interface");
    p.portName = "Comm7";
    p.boxTitle = boxTitle;
    p.link = LinkProfile::kvt7();
    p.editor = EditorProfile::kvt7();
    p.replyPieces = 19;
    return p;
}

// The window was drawn in twips (1440 to the inch) for the small fonts of its
// time; the zoom keeps today's fonts inside the frames.
constexpr double zoom = 1.5;

struct Twips {
    int left, top, width, height;
};
constexpr QSize clientArea{9405, 6510};
constexpr Twips editorPlace{0, 60, 3195, 3375};
constexpr Twips responsePlace{3240, 60, 6135, 3975};
constexpr Twips onlinePlace{0, 3480, 1575, 2955};
constexpr Twips monitorPlace{1620, 3480, 1575, 2955};
constexpr Twips manualPlace{3240, 4080, 6135, 2355};
constexpr Twips responseLabelPlace{240, 240, 5652, 3672};

} // namespace

Kvt7Window::Kvt7Window(Operator& op, std::unique_ptr<SerialPort> port, const Timings& timings,
                       QWidget* parent)
    : FrontEndWindow(kvt7Profile(), op, std::move(port), timings, parent)
{
    buildMenus();
    buildFrames();
    wireMenus();
}

Kvt7Window::~Kvt7Window() = default;

void Kvt7Window::buildMenus()
{
    m_fileMenu = addMenu(menuBar(), QStringLiteral("&File"), "mnu7file");
    m_editMenu = addMenu(menuBar(), QStringLiteral("&Edit"), "mnu7edit");
    m_editorPanel->fillMenus(m_fileMenu, m_editMenu, {"mnueact", "mnueclose"});

    m_downloadMenu = addMenu(menuBar(), QStringLiteral("&Download"), "mnudownloadmenu");
    m_downloadItem = addItem(m_downloadMenu, QStringLiteral("&Program"), "mnudownload");
    m_verifyItem = addItem(m_downloadMenu, QStringLiteral("&Verify"), "mnuverify");
    m_verifyAfterDownloadItem = addVerifyAfterDownloadItem(m_downloadMenu);
    m_uploadMenu = addMenu(menuBar(), QStringLiteral("&Upload"), "mnuupload");
    for (int i = 0; i < 4; ++i) {
        m_uploadItems[i] = m_uploadMenu->addAction(QStringLiteral("Program  #%1").arg(i));
        m_uploadItems[i]->setObjectName(QStringLiteral("mnuuploadprog_%1").arg(i));
    }
    m_editorPanel->setFollowingItems(
        {m_downloadMenu->menuAction(), m_downloadItem, m_verifyItem, m_uploadMenu->menuAction()});

    m_setupMenu = addMenu(menuBar(), QStringLiteral("&Setup"), "mnu7setup");
    m_runningSpeedItem = addItem(m_setupMenu, QStringLiteral("Running Speed"), "mnuspeed",
                                 QKeySequence(Qt::CTRL | Qt::Key_R));
    m_homingSpeedItem = addItem(m_setupMenu, QStringLiteral("Homing Speed"), "mnuhspeed",
                                QKeySequence(Qt::CTRL | Qt::Key_H));
    m_jogSpeedItem = addItem(m_setupMenu, QStringLiteral("Jog Speed"), "mnujog",
                             QKeySequence(Qt::CTRL | Qt::Key_J));
    m_directionItem = addItem(m_setupMenu, QStringLiteral("Set Forward Direction"), "mnudir");
    m_sensorLogicItem =
        addItem(m_setupMenu, QStringLiteral("Set Limit Sensor Logic"), "mnusenlogic");

    m_manualMenu = addMenu(menuBar(), QStringLiteral("&Manual"), "mnu7man");
    m_manualActivateItem = addItem(m_manualMenu, QStringLiteral("Activate"), "mnumact");
    m_manualCloseItem = addItem(m_manualMenu, QStringLiteral("Close"), "mnumclose");
    m_onlineMenu = addMenu(menuBar(), QStringLiteral("&Online"), "mnu7online");
    m_onlineActivateItem = addItem(m_onlineMenu, QStringLiteral("Activate"), "mnuoact");
    m_onlineCloseItem = addItem(m_onlineMenu, QStringLiteral("Close"), "mnuoclose");
    m_monitorMenu = addMenu(menuBar(), QStringLiteral("Mo&nitor"), "mnu7moni");
    m_monitorActivateItem = addItem(m_monitorMenu, QStringLiteral("Activate"), "mnunact");
    m_monitorCloseItem = addItem(m_monitorMenu, QStringLiteral("Close"), "mnunclose");
    addViewMenu();
    m_helpMenu = addMenu(menuBar(), QStringLiteral("&Help"), "help");
    m_aboutItem =
        addItem(m_helpMenu, QStringLiteral("About KVT7 communication software"), "helpabout");

    m_exitItem = addBarItem(menuBar(), QStringLiteral("E&xit"), "mnu7exit");
}

void Kvt7Window::wireMenus()
{
    connect(m_editorPanel, &EditorPanel::activationRequested, this, &Kvt7Window::activateEditor);
    connect(m_onlineActivateItem, &QAction::triggered, this, [this] {
        m_onlineFrame->show();
        activateOnline();
    });
    connect(m_onlineCloseItem, &QAction::triggered, this, [this] {
        m_onlineFrame->setEnabled(false);
        m_onlineFrame->hide();
        m_onlineCloseItem->setVisible(false);
    });
    connect(m_manualActivateItem, &QAction::triggered, this, [this] {
        m_manualPanel->show();
        m_manualCloseItem->setVisible(true);
        activateManual();
    });
    connect(m_manualCloseItem, &QAction::triggered, this, [this] {
        m_manualPanel->setEnabled(false);
        m_manualPanel->hide();
        m_manualCloseItem->setVisible(false);
    });
    connect(m_monitorActivateItem, &QAction::triggered, this, [this] {
        m_monitorPanel->show();
        activateMonitor();
    });
    connect(m_monitorCloseItem, &QAction::triggered, this, [this] {
        m_monitorPanel->setEnabled(false);
        m_monitorPanel->hide();
        m_monitorCloseItem->setVisible(false);
    });
    connect(m_exitItem, &QAction::triggered, this, &QWidget::close);
    connect(m_aboutItem, &QAction::triggered, this, &FrontEndWindow::showAbout);
    connect(m_downloadItem, &QAction::triggered, this, &Kvt7Window::downloadProgram);
    connect(m_verifyItem, &QAction::triggered, this, [this] { verifyProgram({}); });
    for (int i = 0; i < 4; ++i)
        connect(m_uploadItems[i], &QAction::triggered, this, [this, i] { uploadProgram(i); });

    connect(m_runningSpeedItem, &QAction::triggered, this, [this] {
        SpeedDialog::open(m_speedDialog, SpeedProfile::Running, m_speeds, link(), m_operator,
                          m_timings, this);
    });
    connect(m_homingSpeedItem, &QAction::triggered, this, [this] {
        SpeedDialog::open(m_speedDialog, SpeedProfile::Homing, m_speeds, link(), m_operator,
                          m_timings, this);
    });
    connect(m_jogSpeedItem, &QAction::triggered, this, [this] {
        JogDialog::open(m_jogDialog, m_speeds, link(), m_operator, m_timings, this);
    });
    connect(m_directionItem, &QAction::triggered, this, [this] {
        ChoiceDialog::open(m_directionDialog, ChoiceDialog::direction, link(), m_operator,
                           m_timings, this);
    });
    connect(m_sensorLogicItem, &QAction::triggered, this, [this] {
        ChoiceDialog::open(m_sensorLogicDialog, ChoiceDialog::sensorLogic, link(), m_operator,
                           m_timings, this);
    });
}

void Kvt7Window::buildFrames()
{
    m_plan = new QWidget(this);
    m_lineNumbers = new LineNumbers(m_editorPanel->textBox());
    m_editorPanel->addBeside(m_lineNumbers);
    m_editorPanel->setParent(m_plan);
    buildResponseFrame()->setParent(m_plan);
    buildOnlineFrame()->setParent(m_plan);
    m_monitorPanel = new MonitorPanel(m_plan);
    m_manualPanel = new ManualPanel(m_operator, m_plan);
    placeFrames(1.0);
    // Drawn to a fixed plan: where even the shrunk plan does not fit, it scrolls.
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(m_plan);
    setCentralWidget(area);

    FrameClicks::watch(m_onlineFrame, [this] { activateOnline(); });
    FrameClicks::watch(m_manualPanel, [this] { activateManual(); });
    FrameClicks::watch(m_monitorPanel, [this] { activateMonitor(); });
    connect(m_manualPanel, &ManualPanel::sendRequested, this, [this](const QString& command) {
        SerialLink::Source source(link(), QStringLiteral("manual"));
        link().sendData(command);
    });
    connect(m_monitorPanel, &MonitorPanel::sendRequested, this, [this](const QString& command) {
        SerialLink::Source source(link(), QStringLiteral("monitor"));
        link().sendData(command);
    });
}

void Kvt7Window::placeFrames(double fit)
{
    const double scale = logicalDpiX() / 1440.0 * zoom * fit;
    auto px = [scale](int twips) { return int(twips * scale + 0.5); };
    auto place = [&](QWidget* frame, const Twips& t) {
        frame->setGeometry(px(t.left), px(t.top), px(t.width), px(t.height));
    };
    QFont text = font();
    if (fit >= 1.0)
        text = QFont(); // the program's own, followed as it changes
    else if (text.pointSizeF() > 0)
        text.setPointSizeF(text.pointSizeF() * fit);
    else
        text.setPixelSize(qMax(1, int(text.pixelSize() * fit + 0.5)));
    m_plan->setFont(text);
    place(m_editorPanel, editorPlace);
    place(m_responseFrame, responsePlace);
    place(m_onlineFrame, onlinePlace);
    place(m_monitorPanel, monitorPlace);
    place(m_manualPanel, manualPlace);
    place(m_replies, responseLabelPlace);
    m_plan->setFixedSize(px(clientArea.width()), px(clientArea.height()));
}

void Kvt7Window::fitPlanToScreen()
{
    const double textPoints = font().pointSizeF();
    const double smallest =
        QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont).pointSizeF();
    // A pixel less, so that rounding the frames' places cannot call for a scroll bar.
    const QSize room = roomOnScreen().size() - QSize(1, 1 + barsHeight());
    const double fit = fittedPlanScale(m_plan->size(), room, textPoints, smallest);
    if (fit < 1.0)
        placeFrames(fit);
}

void Kvt7Window::focusInto(QWidget* frame, QWidget* first)
{
    // A key typed right after the click or menu item lands in the panel, not
    // in the one that was active before.
    if (QWidget* focused = focusWidget(); focused && frame->isAncestorOf(focused))
        return;
    if (first && first->isEnabled()) {
        first->setFocus(Qt::OtherFocusReason);
        return;
    }
    for (QWidget* next = frame->nextInFocusChain(); next != frame; next = next->nextInFocusChain())
        if (frame->isAncestorOf(next) && next->isEnabled() && next->isVisibleTo(frame) &&
            (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::OtherFocusReason);
            return;
        }
}

QGroupBox* Kvt7Window::buildResponseFrame()
{
    m_responseFrame = new QGroupBox(QStringLiteral("KVT7 INTERFACE"));
    m_responseFrame->setObjectName(QStringLiteral("fraresponse"));
    look::paint(m_responseFrame, look::responseBack, look::black);
    m_replies->setParent(m_responseFrame);
    look::paint(m_replies, look::responseBack, look::responseText);
    return m_responseFrame;
}

QGroupBox* Kvt7Window::buildOnlineFrame()
{
    m_onlineFrame = new QGroupBox(QStringLiteral("ONLINE"));
    m_onlineFrame->setObjectName(QStringLiteral("fraonline"));
    m_onlineCommand = new QLineEdit;
    m_onlineCommand->setObjectName(QStringLiteral("txtonline"));
    m_onlineCommand->setAccessibleName(QStringLiteral("Command"));
    m_historyHeading = new QLabel(QStringLiteral("HISTORY :-"));
    m_historyHeading->setObjectName(QStringLiteral("lblonlinehis"));
    m_history = new QLabel;
    m_history->setObjectName(QStringLiteral("lblonlinehistory"));
    m_history->setTextFormat(Qt::PlainText);
    m_history->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_history->setAccessibleDescription(QStringLiteral("Command history"));
    auto* layout = new QVBoxLayout(m_onlineFrame);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_onlineCommand);
    layout->addWidget(m_historyHeading);
    layout->addWidget(m_history, 1);
    connect(m_onlineCommand, &QLineEdit::returnPressed, this, &Kvt7Window::sendOnlineCommand);
    m_onlineCommand->installEventFilter(this);
    return m_onlineFrame;
}

void Kvt7Window::setOnlineLook(bool active)
{
    const QColor text = active ? look::black : look::inactiveText;
    look::paint(m_onlineFrame, active ? look::onlineFrame : look::inactiveBack, text);
    look::paint(m_onlineCommand, active ? look::onlineEntry : look::inactiveBack, text);
    look::paint(m_history, active ? look::onlineHistory : look::inactiveBack, text);
    // The heading keeps its colour; only its text follows the panel.
    look::paint(m_historyHeading, look::onlineFrame, text);
}

void Kvt7Window::disableAllPanels()
{
    m_editorPanel->greyOut();
    look::paintText(m_lineNumbers, look::inactiveText);
    m_monitorPanel->setActiveLook(false);
    m_onlineCommand->setEnabled(false);
    m_history->setEnabled(false);
    setOnlineLook(false);
    m_manualPanel->setActiveLook(false);
    m_manualPanel->setControlsEnabled(false);
    m_monitorPanel->setControlsEnabled(false);
}

void Kvt7Window::activateEditor()
{
    if (m_editorPanel->isGreyedOut())
        disableAllPanels();
    m_editorPanel->activate();
    look::paintText(m_lineNumbers, look::black);
}

void Kvt7Window::activateOnline()
{
    if (look::background(m_onlineFrame) == look::inactiveBack)
        disableAllPanels();
    m_onlineFrame->show();
    m_onlineFrame->setEnabled(true);
    m_history->setEnabled(true);
    m_onlineCommand->setEnabled(true);
    m_onlineCloseItem->setVisible(true);
    m_onlineCloseItem->setEnabled(true);
    setOnlineLook(true);
    m_onlineCommand->setFocus();
}

void Kvt7Window::activateManual()
{
    if (look::background(m_manualPanel) == look::inactiveBack)
        disableAllPanels();
    m_manualPanel->setEnabled(true);
    m_manualPanel->setControlsEnabled(true);
    m_manualCloseItem->setVisible(true);
    m_manualPanel->setActiveLook(true);
    focusInto(m_manualPanel, m_manualPanel->firstControl());
}

void Kvt7Window::activateMonitor()
{
    if (look::background(m_monitorPanel) == look::inactiveBack)
        disableAllPanels();
    m_monitorPanel->setEnabled(true);
    m_monitorPanel->setControlsEnabled(true);
    m_monitorCloseItem->setVisible(true);
    m_monitorPanel->setActiveLook(true);
    focusInto(m_monitorPanel);
}

void Kvt7Window::initialise()
{
    const int portNumber = askPortNumber({QStringLiteral("IS KVT7 CURRENTLY CONNECTED TO COM1 "),
                                          QStringLiteral("KVT7 IS CONNECTED TO COM2"), boxTitle});
    openPort(portNumber, portSetupFor(Family::Kvt7));

    m_manualPanel->showCommands();
    disableAllPanels();

    // The link check starts with the window: a controller that stays silent
    // is reported even before the first command.
    link().armWatchdog(m_timings.watchdog);
}

QString Kvt7Window::editorLineName(int index) const
{
    return LineNumbers::lineName(index);
}

void Kvt7Window::watchdogReported()
{
    if (const QString report = std::exchange(m_unansweredReport, QString()); !report.isEmpty())
        tell(report);
}

bool Kvt7Window::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == m_onlineCommand) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            m_onlineCommand->setText(key == Qt::Key_Up ? m_recall.older() : m_recall.newer());
            return true;
        }
    }
    return FrontEndWindow::eventFilter(watched, event);
}

void Kvt7Window::sendOnlineCommand()
{
    const QString command = toControllerUpper(m_onlineCommand->text());
    m_recall.add(command);
    // Cleared now rather than after the send, so typing during a send is kept.
    m_onlineCommand->clear();
    SerialLink::Source source(link(), QStringLiteral("online"));
    link().sendData(command, this, [this, command](SendResult result) {
        if (result == SendResult::Discarded)
            return;
        m_history->setText(
            keepNewestPieces(m_history->text() + command + QStringLiteral("\r\n"), historyPieces));
    });
}

void Kvt7Window::downloadProgram()
{
    if (refuseSecondTransfer())
        return;
    const QList<program::ProgramLine> lines = program::linesToSend(editor().text());
    if (refuseUnsendableProgram(lines))
        return;
    auto* download = new Kvt7Download(link(), lines, m_timings.downloadReplyQuiet);
    connect(download, &TransferJob::progress, this, [this](int answered, int total) {
        showStatus(QStringLiteral("Download: %1 of %2 lines sent").arg(answered).arg(total));
    });
    connect(download, &TransferJob::finished, this, [this, download](TransferOutcome outcome) {
        if (outcome == TransferOutcome::NoReply) {
            const auto line = download->pendingLine();
            const QString which = line ? QStringLiteral("line %1 (%2)")
                                             .arg(LineNumbers::lineName(line->index), line->command)
                                       : QStringLiteral("the last line");
            m_unansweredReport = QStringLiteral("The controller did not answer %1. The download "
                                                "was stopped; %2 of %3 lines were sent and "
                                                "answered.")
                                     .arg(which)
                                     .arg(download->answered())
                                     .arg(download->total());
        }
        downloadFinished(download->answered(), download->total(), outcome);
    });
    runTransfer(download);
}

void Kvt7Window::downloadFinished(int answered, int total, TransferOutcome outcome)
{
    if (outcome != TransferOutcome::Complete) {
        showStatus(
            QStringLiteral("Download stopped after %1 of %2 lines").arg(answered).arg(total));
        return;
    }
    const QString report = downloadCompleteText(total);
    showStatus(report);
    m_operator.beep();
    // What each line was answered is not read; only the read-back tells what was stored.
    if (m_verifyAfterDownloadItem->isChecked())
        afterLastAnswer([this, report] { verifyProgram(report); });
}

void Kvt7Window::verifyProgram(const QString& downloadReport)
{
    if (refuseSecondTransfer())
        return;
    const QString text = editor().text();
    const std::optional<int> program = program::programNumber(text);
    if (!program || *program < 0 || *program > 3) {
        if (downloadReport.isEmpty())
            tell(QStringLiteral("Verify reads back the program that the editor's \"M31,n\" line "
                                "names, n from 0 to 3; the editor has no such line."),
                 MessageIcon::Information);
        else
            showStatus(downloadReport + QStringLiteral("; not verified: no \"M31,n\" line"));
        return;
    }
    auto* upload = new Kvt7Upload(link(), *program, m_timings.programUploadLimit);
    connect(upload, &TransferJob::finished, this,
            [this, upload, text, downloadReport](TransferOutcome outcome) {
                if (outcome == TransferOutcome::Complete)
                    showVerifyResult(text, upload->programText(), downloadReport);
                else
                    reportFailedReadBack(outcome, downloadReport);
            });
    showStatus(verifyStatusPrefix(downloadReport) +
               QStringLiteral("reading program #%1 back ...").arg(*program));
    runTransfer(upload);
}

void Kvt7Window::uploadProgram(int program)
{
    if (refuseSecondTransfer() || !mayReplaceEditorText())
        return;
    auto* upload = new Kvt7Upload(link(), program, m_timings.programUploadLimit);
    // The listing grows out of sight: the editor keeps the operator's text
    // until the whole program has arrived.
    connect(upload, &Kvt7Upload::programChanged, this, [this, program](const QString& text) {
        showStatus(QStringLiteral("Upload of program #%1: %2 lines received")
                       .arg(program)
                       .arg(text.count(QLatin1String("\r\n")) - 1));
    });
    connect(upload, &TransferJob::finished, this, [this, upload, program](TransferOutcome outcome) {
        uploadFinished(program, outcome, upload->programText());
    });
    showStatus(QStringLiteral("Upload of program #%1 ...").arg(program));
    runTransfer(upload);
}

void Kvt7Window::uploadFinished(int program, TransferOutcome outcome, const QString& text)
{
    const QString caption = QStringLiteral("EDITOR - Upload #%1").arg(program);
    const int lines = int(text.count(QLatin1String("\r\n"))) - 1;
    QString incomplete;
    switch (outcome) {
    case TransferOutcome::Complete:
        showStatus(QStringLiteral("Upload of program #%1 complete").arg(program));
        m_operator.beep();
        replaceEditorText(text, caption);
        return;
    case TransferOutcome::TimedOut:
        incomplete = QStringLiteral("The controller did not end program #%1 with M30 within %2 s.")
                         .arg(program)
                         .arg(m_timings.programUploadLimit.count() / 1000.0);
        break;
    case TransferOutcome::Overflow:
        incomplete = QStringLiteral("The controller kept sending without ending program #%1 with "
                                    "M30; the upload was stopped after %2.")
                         .arg(program)
                         .arg(receiveLimitText());
        break;
    default:
        showStatus(QStringLiteral("Upload of program #%1 failed; the editor keeps your text")
                       .arg(program));
        return;
    }
    showStatus(QStringLiteral("Upload of program #%1 incomplete").arg(program));
    m_operator.beep();
    const QPointer<Kvt7Window> alive(this);
    const MessageAnswer answer =
        tell(incomplete + QStringLiteral(" The editor still holds your text.\r\nPut the %1 lines "
                                         "that did arrive into the editor instead?")
                              .arg(qMax(lines, 0)),
             MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No);
    if (alive && answer == MessageAnswer::Yes)
        replaceEditorText(text, caption);
}

void Kvt7Window::closeOwnWindows()
{
    // The dialogs send through this window's link; they go with it.
    for (QWidget* dialog : std::initializer_list<QWidget*>{m_speedDialog, m_jogDialog,
                                                           m_directionDialog, m_sensorLogicDialog})
        if (dialog)
            dialog->close();
}

} // namespace kvt
