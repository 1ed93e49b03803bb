#include "Kvt7Window.h"

#include "ChoiceDialog.h"
#include "JogDialog.h"
#include "LineNumbers.h"
#include "ManualPanel.h"
#include "MonitorPanel.h"
#include "PlanScale.h"
#include "SpeedDialog.h"
#include "editor/EditorController.h"
#include "frontend/EditorPanel.h"
#include "frontend/FrameClicks.h"
#include "frontend/PanelLook.h"
#include "frontend/ReplyDisplay.h"
#include "link/ReplyText.h"
#include "link/SerialLink.h"
#include "shell/MenuItems.h"
#include "shell/Module1.h"
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
    mnu7file = addMenu(menuBar(), QStringLiteral("&File"), "mnu7file");
    mnu7edit = addMenu(menuBar(), QStringLiteral("&Edit"), "mnu7edit");
    fraeditor->fillMenus(mnu7file, mnu7edit, {"mnueact", "mnueclose"});

    mnudownloadmenu = addMenu(menuBar(), QStringLiteral("&Download"), "mnudownloadmenu");
    mnudownload = addItem(mnudownloadmenu, QStringLiteral("&Program"), "mnudownload");
    mnuverify = addItem(mnudownloadmenu, QStringLiteral("&Verify"), "mnuverify");
    mnuverifyafter = addVerifyAfterDownloadItem(mnudownloadmenu);
    mnuupload = addMenu(menuBar(), QStringLiteral("&Upload"), "mnuupload");
    for (int i = 0; i < 4; ++i) {
        mnuuploadprog[i] = mnuupload->addAction(QStringLiteral("Program  #%1").arg(i));
        mnuuploadprog[i]->setObjectName(QStringLiteral("mnuuploadprog_%1").arg(i));
    }
    fraeditor->setFollowingItems(
        {mnudownloadmenu->menuAction(), mnudownload, mnuverify, mnuupload->menuAction()});

    mnu7setup = addMenu(menuBar(), QStringLiteral("&Setup"), "mnu7setup");
    mnuspeed = addItem(mnu7setup, QStringLiteral("Running Speed"), "mnuspeed",
                       QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuhspeed = addItem(mnu7setup, QStringLiteral("Homing Speed"), "mnuhspeed",
                        QKeySequence(Qt::CTRL | Qt::Key_H));
    mnujog = addItem(mnu7setup, QStringLiteral("Jog Speed"), "mnujog",
                     QKeySequence(Qt::CTRL | Qt::Key_J));
    mnudir = addItem(mnu7setup, QStringLiteral("Set Forward Direction"), "mnudir");
    mnusenlogic = addItem(mnu7setup, QStringLiteral("Set Limit Sensor Logic"), "mnusenlogic");

    mnu7man = addMenu(menuBar(), QStringLiteral("&Manual"), "mnu7man");
    mnumact = addItem(mnu7man, QStringLiteral("Activate"), "mnumact");
    mnumclose = addItem(mnu7man, QStringLiteral("Close"), "mnumclose");
    mnu7online = addMenu(menuBar(), QStringLiteral("&Online"), "mnu7online");
    mnuoact = addItem(mnu7online, QStringLiteral("Activate"), "mnuoact");
    mnuoclose = addItem(mnu7online, QStringLiteral("Close"), "mnuoclose");
    mnu7moni = addMenu(menuBar(), QStringLiteral("Mo&nitor"), "mnu7moni");
    mnunact = addItem(mnu7moni, QStringLiteral("Activate"), "mnunact");
    mnunclose = addItem(mnu7moni, QStringLiteral("Close"), "mnunclose");
    addViewMenu();
    help = addMenu(menuBar(), QStringLiteral("&Help"), "help");
    helpabout = addItem(help, QStringLiteral("About KVT7 communication software"), "helpabout");

    mnu7exit = addBarItem(menuBar(), QStringLiteral("E&xit"), "mnu7exit");
}

void Kvt7Window::wireMenus()
{
    connect(fraeditor, &EditorPanel::activationRequested, this, &Kvt7Window::editen);
    connect(mnuoact, &QAction::triggered, this, [this] {
        fraonline->show();
        onlineen();
    });
    connect(mnuoclose, &QAction::triggered, this, [this] {
        fraonline->setEnabled(false);
        fraonline->hide();
        mnuoclose->setVisible(false);
    });
    connect(mnumact, &QAction::triggered, this, [this] {
        framanual->show();
        mnumclose->setVisible(true);
        manen();
    });
    connect(mnumclose, &QAction::triggered, this, [this] {
        framanual->setEnabled(false);
        framanual->hide();
        mnumclose->setVisible(false);
    });
    connect(mnunact, &QAction::triggered, this, [this] {
        framoni->show();
        monien();
    });
    connect(mnunclose, &QAction::triggered, this, [this] {
        framoni->setEnabled(false);
        framoni->hide();
        mnunclose->setVisible(false);
    });
    connect(mnu7exit, &QAction::triggered, this, &QWidget::close);
    connect(helpabout, &QAction::triggered, this, &FrontEndWindow::showAbout);
    connect(mnudownload, &QAction::triggered, this, &Kvt7Window::mnudownload_Click);
    connect(mnuverify, &QAction::triggered, this, [this] { verifyProgram({}); });
    for (int i = 0; i < 4; ++i)
        connect(mnuuploadprog[i], &QAction::triggered, this, [this, i] { mnuuploadprog_Click(i); });

    connect(mnuspeed, &QAction::triggered, this, [this] {
        SpeedDialog::open(frmspeed, SpeedDialog::Profile::Running, link(), m_operator, m_timings,
                          this);
    });
    connect(mnuhspeed, &QAction::triggered, this, [this] {
        SpeedDialog::open(frmspeed, SpeedDialog::Profile::Homing, link(), m_operator, m_timings,
                          this);
    });
    connect(mnujog, &QAction::triggered, this,
            [this] { JogDialog::open(frmjog, link(), m_operator, m_timings, this); });
    connect(mnudir, &QAction::triggered, this, [this] {
        ChoiceDialog::open(frmdirset, ChoiceDialog::direction, link(), m_operator, m_timings, this);
    });
    connect(mnusenlogic, &QAction::triggered, this, [this] {
        ChoiceDialog::open(frmsenlog, ChoiceDialog::sensorLogic, link(), m_operator, m_timings,
                           this);
    });
}

void Kvt7Window::buildFrames()
{
    m_plan = new QWidget(this);
    lbleditlineno = new LineNumbers(fraeditor->textBox());
    fraeditor->addBeside(lbleditlineno);
    fraeditor->setParent(m_plan);
    buildResponseFrame()->setParent(m_plan);
    buildOnlineFrame()->setParent(m_plan);
    framoni = new MonitorPanel(m_plan);
    framanual = new ManualPanel(m_operator, m_plan);
    placeFrames(1.0);
    // Drawn to a fixed plan: where even the shrunk plan does not fit, it scrolls.
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(m_plan);
    setCentralWidget(area);

    FrameClicks::watch(fraonline, [this] { onlineen(); });
    FrameClicks::watch(framanual, [this] { manen(); });
    FrameClicks::watch(framoni, [this] { monien(); });
    connect(framanual, &ManualPanel::sendRequested, this, [this](const QString& command) {
        SerialLink::Source source(link(), QStringLiteral("manual"));
        link().sendData(command);
    });
    connect(framoni, &MonitorPanel::sendRequested, this, [this](const QString& command) {
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
    place(fraeditor, editorPlace);
    place(fraresponse, responsePlace);
    place(fraonline, onlinePlace);
    place(framoni, monitorPlace);
    place(framanual, manualPlace);
    place(lblresponse, responseLabelPlace);
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
    fraresponse = new QGroupBox(QStringLiteral("KVT7 INTERFACE"));
    fraresponse->setObjectName(QStringLiteral("fraresponse"));
    look::paint(fraresponse, look::responseBack, look::black);
    lblresponse->setParent(fraresponse);
    look::paint(lblresponse, look::responseBack, look::responseText);
    return fraresponse;
}

QGroupBox* Kvt7Window::buildOnlineFrame()
{
    fraonline = new QGroupBox(QStringLiteral("ONLINE"));
    fraonline->setObjectName(QStringLiteral("fraonline"));
    txtonline = new QLineEdit;
    txtonline->setObjectName(QStringLiteral("txtonline"));
    txtonline->setAccessibleName(QStringLiteral("Command"));
    lblonlinehis = new QLabel(QStringLiteral("HISTORY :-"));
    lblonlinehis->setObjectName(QStringLiteral("lblonlinehis"));
    lblonlinehistory = new QLabel;
    lblonlinehistory->setObjectName(QStringLiteral("lblonlinehistory"));
    lblonlinehistory->setTextFormat(Qt::PlainText);
    lblonlinehistory->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblonlinehistory->setAccessibleDescription(QStringLiteral("Command history"));
    auto* layout = new QVBoxLayout(fraonline);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(txtonline);
    layout->addWidget(lblonlinehis);
    layout->addWidget(lblonlinehistory, 1);
    connect(txtonline, &QLineEdit::returnPressed, this, &Kvt7Window::txtonline_KeyPress);
    txtonline->installEventFilter(this);
    return fraonline;
}

void Kvt7Window::setOnlineLook(bool active)
{
    const QColor text = active ? look::black : look::inactiveText;
    look::paint(fraonline, active ? look::onlineFrame : look::inactiveBack, text);
    look::paint(txtonline, active ? look::onlineEntry : look::inactiveBack, text);
    look::paint(lblonlinehistory, active ? look::onlineHistory : look::inactiveBack, text);
    // The heading keeps its colour; only its text follows the panel.
    look::paint(lblonlinehis, look::onlineFrame, text);
}

void Kvt7Window::formdisable()
{
    fraeditor->greyOut();
    look::paintText(lbleditlineno, look::inactiveText);
    framoni->setActiveLook(false);
    txtonline->setEnabled(false);
    lblonlinehistory->setEnabled(false);
    setOnlineLook(false);
    framanual->setActiveLook(false);
    framanual->setControlsEnabled(false);
    framoni->setControlsEnabled(false);
}

void Kvt7Window::editen()
{
    if (fraeditor->isGreyedOut())
        formdisable();
    fraeditor->activate();
    look::paintText(lbleditlineno, look::black);
}

void Kvt7Window::onlineen()
{
    if (look::background(fraonline) == look::inactiveBack)
        formdisable();
    fraonline->show();
    fraonline->setEnabled(true);
    lblonlinehistory->setEnabled(true);
    txtonline->setEnabled(true);
    mnuoclose->setVisible(true);
    mnuoclose->setEnabled(true);
    setOnlineLook(true);
    txtonline->setFocus();
}

void Kvt7Window::manen()
{
    if (look::background(framanual) == look::inactiveBack)
        formdisable();
    framanual->setEnabled(true);
    framanual->setControlsEnabled(true);
    mnumclose->setVisible(true);
    framanual->setActiveLook(true);
    focusInto(framanual, framanual->firstControl());
}

void Kvt7Window::monien()
{
    if (look::background(framoni) == look::inactiveBack)
        formdisable();
    framoni->setEnabled(true);
    framoni->setControlsEnabled(true);
    mnunclose->setVisible(true);
    framoni->setActiveLook(true);
    focusInto(framoni);
}

void Kvt7Window::initialise()
{
    const int portNumber = askPortNumber({QStringLiteral("IS KVT7 CURRENTLY CONNECTED TO COM1 "),
                                          QStringLiteral("KVT7 IS CONNECTED TO COM2"), boxTitle});
    openPort(portNumber, {0, 1, QStringLiteral("9600,N,8,1"), Handshaking::None});

    framanual->rebuildAllCaptions();
    formdisable();

    Module1::HomeStartSpeed = 400;
    Module1::HomeMaxSpeed = 1000;
    Module1::HomeAccel = 1;
    Module1::RunStartSpeed = 500;
    Module1::RunMaxSpeed = 5000;
    Module1::RunAccel = 1;
    Module1::JogSpeed = 800;

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
    if (event->type() == QEvent::KeyPress && watched == txtonline) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            txtonline->setText(key == Qt::Key_Up ? m_recall.older() : m_recall.newer());
            return true;
        }
    }
    return FrontEndWindow::eventFilter(watched, event);
}

void Kvt7Window::txtonline_KeyPress()
{
    const QString command = toControllerUpper(txtonline->text());
    m_recall.add(command);
    // Cleared now rather than after the send, so typing during a send is kept.
    txtonline->clear();
    SerialLink::Source source(link(), QStringLiteral("online"));
    link().sendData(command, this, [this, command](SendResult result) {
        if (result == SendResult::Discarded)
            return;
        lblonlinehistory->setText(keepNewestPieces(
            lblonlinehistory->text() + command + QStringLiteral("\r\n"), historyPieces));
    });
}

void Kvt7Window::mnudownload_Click()
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
    if (mnuverifyafter->isChecked())
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

void Kvt7Window::mnuuploadprog_Click(int program)
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
    for (QWidget* dialog : std::initializer_list<QWidget*>{frmspeed, frmjog, frmdirset, frmsenlog})
        if (dialog)
            dialog->close();
}

} // namespace kvt
