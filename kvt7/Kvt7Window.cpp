#include "Kvt7Window.h"

#include "DirectionDialog.h"
#include "JogDialog.h"
#include "ManualPanel.h"
#include "MonitorPanel.h"
#include "PanelLook.h"
#include "ProgramDownload.h"
#include "ProgramLines.h"
#include "ProgramUpload.h"
#include "SensorLogicDialog.h"
#include "SpeedDialog.h"
#include "shell/Module1.h"
#include "shell/Operator.h"
#include "editor/EditorController.h"
#include "link/ReplyText.h"
#include "link/SerialLink.h"
#include "link/SerialPort.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QVBoxLayout>

namespace kvt {

namespace {
const QString windowCaption = QStringLiteral("KVT7 communication interface");
const QString questionTitle = QStringLiteral("KVT7 COMMUNICATION INTERFACE");
const QString lineSettings = QStringLiteral("9600,N,8,1");
constexpr int responsePieces = 19;
// A controller gone wild may send without line breaks; more than this would
// only slow the label down, and nobody can read it anyway.
constexpr qsizetype responseCharacters = 8192;
constexpr int historyPieces = 13;

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

const QString lineNumbers =
    QStringLiteral("000  001  002  003  004  005  006  007  008  009  010  011  012  013 014 015");
} // namespace

Kvt7Window::Kvt7Window(Operator& op, std::unique_ptr<SerialPort> port, const Timings& timings,
                       QWidget* parent)
    : QMainWindow(parent), m_operator(op), m_port(std::move(port)),
      m_link(std::make_unique<SerialLink>(*m_port, LinkProfile::kvt7(), timings)),
      m_timings(timings)
{
    setObjectName(QStringLiteral("frmkvt_7"));
    setWindowTitle(windowCaption);
    m_port->setObjectName(QStringLiteral("Comm7"));
    buildMenus();
    buildFrames();
    m_editor = new EditorController(EditorProfile::kvt7(), m_operator, txteditor, fraeditor, this);
    m_editor->wireMenu(
        {mnunew, mnuopen, mnusave, mnusaveas, mnuprint, nullptr, mnucut, mnucopy, mnupaste});
    lblstatus = new QLabel;
    lblstatus->setObjectName(QStringLiteral("lblstatus"));
    lblstatus->setAccessibleName(QStringLiteral("Transfer status"));
    statusBar()->addWidget(lblstatus, 1);
    wireLink();
}

Kvt7Window::~Kvt7Window() = default;

void Kvt7Window::buildMenus()
{
    auto action = [this](QMenu* menu, const QString& text, const char* name,
                         const QKeySequence& shortcut = {}) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        return a;
    };
    auto menu = [this](const QString& title, const char* name) {
        QMenu* m = menuBar()->addMenu(title);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        return m;
    };

    mnu7file = menu(QStringLiteral("&File"), "mnu7file");
    mnunew = action(mnu7file, QStringLiteral("New"), "mnunew", QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuopen = action(mnu7file, QStringLiteral("Open File"), "mnuopen",
                     QKeySequence(Qt::CTRL | Qt::Key_O));
    mnusave =
        action(mnu7file, QStringLiteral("Save "), "mnusave", QKeySequence(Qt::CTRL | Qt::Key_S));
    mnusaveas = action(mnu7file, QStringLiteral("Save As"), "mnusaveas");
    mnuprint =
        action(mnu7file, QStringLiteral("Print"), "mnuprint", QKeySequence(Qt::CTRL | Qt::Key_P));

    mnu7edit = menu(QStringLiteral("&Edit"), "mnu7edit");
    mnueact = action(mnu7edit, QStringLiteral("Activate"), "mnueact");
    mnucut = action(mnu7edit, QStringLiteral("Cut"), "mnucut", QKeySequence(Qt::CTRL | Qt::Key_X));
    mnucopy =
        action(mnu7edit, QStringLiteral("Copy"), "mnucopy", QKeySequence(Qt::CTRL | Qt::Key_C));
    mnupaste =
        action(mnu7edit, QStringLiteral("Paste"), "mnupaste", QKeySequence(Qt::CTRL | Qt::Key_V));
    mnueclose = action(mnu7edit, QStringLiteral("Close"), "mnueclose");

    mnudownload = menuBar()->addAction(QStringLiteral("&Download"));
    mnudownload->setObjectName(QStringLiteral("mnudownload"));

    mnuupload = menu(QStringLiteral("&Upload"), "mnuupload");
    for (int i = 0; i < 4; ++i) {
        mnuuploadprog[i] = mnuupload->addAction(QStringLiteral("Program  #%1").arg(i));
        mnuuploadprog[i]->setObjectName(QStringLiteral("mnuuploadprog_%1").arg(i));
    }

    mnu7setup = menu(QStringLiteral("&Setup"), "mnu7setup");
    mnuspeed = action(mnu7setup, QStringLiteral("Running Speed"), "mnuspeed",
                      QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuhspeed = action(mnu7setup, QStringLiteral("Homing Speed"), "mnuhspeed",
                       QKeySequence(Qt::CTRL | Qt::Key_H));
    mnujog = action(mnu7setup, QStringLiteral("Jog Speed"), "mnujog",
                    QKeySequence(Qt::CTRL | Qt::Key_J));
    mnudir = action(mnu7setup, QStringLiteral("Set Forward Direction"), "mnudir");
    mnusenlogic = action(mnu7setup, QStringLiteral("Set Limit Sensor Logic"), "mnusenlogic");

    mnu7man = menu(QStringLiteral("&Manual"), "mnu7man");
    mnumact = action(mnu7man, QStringLiteral("Activate"), "mnumact");
    mnumclose = action(mnu7man, QStringLiteral("Close"), "mnumclose");
    mnu7online = menu(QStringLiteral("&Online"), "mnu7online");
    mnuoact = action(mnu7online, QStringLiteral("Activate"), "mnuoact");
    mnuoclose = action(mnu7online, QStringLiteral("Close"), "mnuoclose");
    mnu7moni = menu(QStringLiteral("Mo&nitor"), "mnu7moni");
    mnunact = action(mnu7moni, QStringLiteral("Activate"), "mnunact");
    mnunclose = action(mnu7moni, QStringLiteral("Close"), "mnunclose");
    help = menu(QStringLiteral("&Help"), "help");
    // The About item has never had an action.
    helpabout = action(help, QStringLiteral("About KVT7 communication software"), "helpabout");

    mnu7exit = menuBar()->addAction(QStringLiteral("E&xit"));
    mnu7exit->setObjectName(QStringLiteral("mnu7exit"));

    connect(mnueact, &QAction::triggered, this, &Kvt7Window::editen);
    connect(mnueclose, &QAction::triggered, this, &Kvt7Window::mnueclose_Click);
    connect(mnuoact, &QAction::triggered, this, [this] {
        fraonline->show();
        onlineen();
    });
    connect(mnuoclose, &QAction::triggered, this, &Kvt7Window::mnuoclose_Click);
    connect(mnumact, &QAction::triggered, this, [this] {
        framanual->show();
        mnumclose->setVisible(true);
        manen();
    });
    connect(mnumclose, &QAction::triggered, this, &Kvt7Window::mnumclose_Click);
    connect(mnunact, &QAction::triggered, this, [this] {
        framoni->show();
        monien();
    });
    connect(mnunclose, &QAction::triggered, this, &Kvt7Window::mnunclose_Click);
    connect(mnu7exit, &QAction::triggered, this, &Kvt7Window::mnu7exit_Click);
    connect(mnudownload, &QAction::triggered, this, &Kvt7Window::mnudownload_Click);
    for (int i = 0; i < 4; ++i)
        connect(mnuuploadprog[i], &QAction::triggered, this, [this, i] { mnuuploadprog_Click(i); });
    wireSetupMenu();
}

void Kvt7Window::wireSetupMenu()
{
    connect(mnuspeed, &QAction::triggered, this, [this] {
        SpeedDialog::open(frmspeed, SpeedDialog::Profile::Running, *m_link, m_operator, m_timings);
    });
    connect(mnuhspeed, &QAction::triggered, this, [this] {
        SpeedDialog::open(frmspeed, SpeedDialog::Profile::Homing, *m_link, m_operator, m_timings);
    });
    connect(mnujog, &QAction::triggered, this,
            [this] { JogDialog::open(frmjog, *m_link, m_operator, m_timings); });
    connect(mnudir, &QAction::triggered, this,
            [this] { DirectionDialog::open(frmdirset, *m_link, m_operator, m_timings); });
    connect(mnusenlogic, &QAction::triggered, this,
            [this] { SensorLogicDialog::open(frmsenlog, *m_link, m_operator, m_timings); });
}

void Kvt7Window::buildFrames()
{
    auto* central = new QWidget(this);
    const double scale = logicalDpiX() / 1440.0 * zoom;
    auto px = [scale](int twips) { return int(twips * scale + 0.5); };
    auto place = [&](QWidget* frame, const Twips& t) {
        frame->setParent(central);
        frame->setGeometry(px(t.left), px(t.top), px(t.width), px(t.height));
    };
    place(buildEditorFrame(), editorPlace);
    place(buildResponseFrame(), responsePlace);
    place(buildOnlineFrame(), onlinePlace);
    framoni = new MonitorPanel;
    place(framoni, monitorPlace);
    framanual = new ManualPanel(m_operator);
    place(framanual, manualPlace);
    lblresponse->setGeometry(px(responseLabelPlace.left), px(responseLabelPlace.top),
                             px(responseLabelPlace.width), px(responseLabelPlace.height));
    central->setFixedSize(px(clientArea.width()), px(clientArea.height()));
    setCentralWidget(central);

    // Qt swallows clicks on disabled controls; a disabled control lets them
    // through to its frame instead, since clicking anywhere on a grey panel is
    // how the operator activates it.
    for (QWidget* frame : {static_cast<QWidget*>(fraeditor), static_cast<QWidget*>(fraonline),
                           static_cast<QWidget*>(framanual), static_cast<QWidget*>(framoni)}) {
        frame->installEventFilter(this);
        for (QWidget* child : frame->findChildren<QWidget*>()) {
            child->installEventFilter(this);
            child->setAttribute(Qt::WA_TransparentForMouseEvents, !child->isEnabled());
        }
    }
    connect(framanual, &ManualPanel::sendRequested, this, &Kvt7Window::SendData);
    connect(framoni, &MonitorPanel::sendRequested, this, &Kvt7Window::SendData);
}

QGroupBox* Kvt7Window::buildEditorFrame()
{
    fraeditor = new QGroupBox(QStringLiteral("EDITOR SCREEN"));
    fraeditor->setObjectName(QStringLiteral("fraeditor"));
    txteditor = new QPlainTextEdit;
    txteditor->setObjectName(QStringLiteral("txteditor"));
    txteditor->setAccessibleName(QStringLiteral("Program"));
    txteditor->setLineWrapMode(QPlainTextEdit::NoWrap);
    lbleditlineno = new QLabel(lineNumbers);
    lbleditlineno->setObjectName(QStringLiteral("lbleditlineno"));
    lbleditlineno->setWordWrap(true);
    lbleditlineno->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbleditlineno->setFont(txteditor->font());
    // Narrow enough that the numbers wrap into a column beside the lines.
    lbleditlineno->setFixedWidth(
        lbleditlineno->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    lbleditlineno->setAccessibleName(QStringLiteral("Line numbers"));
    auto* layout = new QHBoxLayout(fraeditor);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(lbleditlineno);
    layout->addWidget(txteditor, 1);
    return fraeditor;
}

QGroupBox* Kvt7Window::buildResponseFrame()
{
    fraresponse = new QGroupBox(QStringLiteral("KVT7 INTERFACE"));
    fraresponse->setObjectName(QStringLiteral("fraresponse"));
    look::paint(fraresponse, look::responseBack, look::black);
    lblresponse = new QLabel(fraresponse);
    lblresponse->setObjectName(QStringLiteral("lblresponse"));
    lblresponse->setTextFormat(Qt::PlainText);
    lblresponse->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblresponse->setWordWrap(true);
    lblresponse->setAccessibleName(QStringLiteral("Controller replies"));
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
    lblonlinehistory->setAccessibleName(QStringLiteral("Command history"));
    auto* layout = new QVBoxLayout(fraonline);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(txtonline);
    layout->addWidget(lblonlinehis);
    layout->addWidget(lblonlinehistory, 1);
    connect(txtonline, &QLineEdit::returnPressed, this, &Kvt7Window::txtonline_KeyPress);
    return fraonline;
}

void Kvt7Window::wireLink()
{
    connect(m_link.get(), &SerialLink::received, this, &Kvt7Window::onReceived);
    connect(m_link.get(), &SerialLink::lineError, this, &Kvt7Window::onLineError);
    connect(m_link.get(), &SerialLink::unknownEvent, this, &Kvt7Window::onUnknownEvent);
    connect(m_link.get(), &SerialLink::watchdogExpired, this, &Kvt7Window::onWatchdogExpired);
    connect(m_link.get(), &SerialLink::writeFailed, this, &Kvt7Window::onWriteFailed);
    connect(m_link.get(), &SerialLink::linkLost, this, &Kvt7Window::onLinkLost);
}

bool Kvt7Window::eventFilter(QObject* watched, QEvent* event)
{
    // A click anywhere on a frame, also on its disabled controls, activates it.
    if (event->type() == QEvent::EnabledChange && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        widget->setAttribute(Qt::WA_TransparentForMouseEvents, !widget->isEnabled());
    } else if (event->type() == QEvent::MouseButtonPress) {
        if (watched == fraeditor)
            editen();
        else if (watched == fraonline)
            onlineen();
        else if (watched == framanual)
            manen();
        else if (watched == framoni)
            monien();
    }
    return QMainWindow::eventFilter(watched, event);
}

void Kvt7Window::setEditorLook(bool active)
{
    look::paint(fraeditor, active ? look::editorFrame : look::inactiveBack,
                active ? look::black : look::inactiveText);
    look::paint(txteditor, active ? look::white : look::inactiveBack,
                active ? look::black : look::inactiveText);
    look::paintText(lbleditlineno, active ? look::black : look::inactiveText);
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
    txteditor->setEnabled(false);
    setEditorLook(false);

    for (QAction* a :
         {mnu7file->menuAction(), mnudownload, mnuupload->menuAction(), mnucopy, mnucut, mnupaste})
        a->setEnabled(false);

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
    if (look::background(fraeditor) == look::inactiveBack)
        formdisable();
    fraeditor->setEnabled(true);
    fraeditor->show();
    txteditor->setEnabled(true);
    setEditorMenusVisible(true);
    for (QAction* a :
         {mnu7file->menuAction(), mnudownload, mnuupload->menuAction(), mnucopy, mnucut})
        a->setEnabled(true);
    // Copy or Cut enable it again.
    m_editor->resetPaste();
    mnupaste->setEnabled(false);
    setEditorLook(true);
    txteditor->setFocus();
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
}

void Kvt7Window::monien()
{
    if (look::background(framoni) == look::inactiveBack)
        formdisable();
    framoni->setEnabled(true);
    framoni->setControlsEnabled(true);
    mnunclose->setVisible(true);
    framoni->setActiveLook(true);
}

void Kvt7Window::setEditorMenusVisible(bool visible)
{
    for (QAction* a : {mnu7file->menuAction(), mnudownload, mnuupload->menuAction(), mnucopy,
                       mnucut, mnupaste, mnueclose})
        a->setVisible(visible);
}

void Kvt7Window::mnueclose_Click()
{
    fraeditor->setEnabled(false);
    fraeditor->hide();
    setEditorMenusVisible(false);
}

void Kvt7Window::mnuoclose_Click()
{
    fraonline->setEnabled(false);
    fraonline->hide();
    mnuoclose->setVisible(false);
}

void Kvt7Window::mnumclose_Click()
{
    framanual->setEnabled(false);
    framanual->hide();
    mnumclose->setVisible(false);
}

void Kvt7Window::mnunclose_Click()
{
    framoni->setEnabled(false);
    framoni->hide();
    mnunclose->setVisible(false);
}

void Kvt7Window::initialise()
{
    const MessageAnswer onCom1 =
        m_operator.message(this, {QStringLiteral("IS KVT7 CURRENTLY CONNECTED TO COM1 "),
                                  questionTitle, MessageIcon::Question, MessageButtons::YesNo});
    int portNumber = 1;
    if (onCom1 != MessageAnswer::Yes) {
        m_operator.message(this, {QStringLiteral("KVT7 IS CONNECTED TO COM2"), questionTitle,
                                  MessageIcon::Exclamation, MessageButtons::Ok});
        portNumber = 2;
    }

    if (!m_port->open(portNumber))
        m_operator.message(
            this, {m_port->errorString(), {}, MessageIcon::Exclamation, MessageButtons::Ok});

    m_port->setInputLength(0);
    m_port->setReceiveThreshold(1);
    if (!m_port->setSettings(lineSettings) && m_port->isOpen())
        m_operator.message(
            this, {m_port->errorString(), {}, MessageIcon::Exclamation, MessageButtons::Ok});
    m_port->setHandshaking(Handshaking::None);

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
    m_link->armWatchdog(m_timings.watchdog);
}

void Kvt7Window::onReceived(const QByteArray& data)
{
    if (m_upload && m_upload->UploadMode) {
        m_upload->receive(data);
        return;
    }
    const QString DisplayText = lblresponse->text() + fromWire(data);
    ReplyReceived = true;
    lblresponse->setText(keepNewestPieces(DisplayText, responsePieces).right(responseCharacters));
    if (m_download)
        m_download->replyReceived();
}

void Kvt7Window::onLineError(const QString& statusText)
{
    lblresponse->setText(lblresponse->text() + statusText);
}

void Kvt7Window::onUnknownEvent(const QString& errorText)
{
    m_operator.beep();
    const QPointer<Kvt7Window> alive(this);
    const MessageAnswer answer =
        m_operator.message(this, {errorText, QStringLiteral("Click Cancel to quit, OK to ignore."),
                                  MessageIcon::None, MessageButtons::OkCancel});
    if (alive && answer == MessageAnswer::Cancel)
        m_port->close();
}

void Kvt7Window::onWatchdogExpired()
{
    // Stopped before the box opens, so a late answer cannot send another line
    // while the operator reads it; which line went unanswered is told after it.
    if (m_download)
        m_download->stop(ProgramDownload::Outcome::NoReply);
    const QString downloadReport = std::exchange(m_downloadReport, QString());
    const QPointer<Kvt7Window> alive(this);
    // The watchdog is single-shot and already off, so a command sent while the
    // box is open keeps the watchdog it armed.
    m_operator.message(this, {QStringLiteral("COMMUNICATION FAILED !!\r\nPLEASE ENSURE POWER IS ON "
                                             "AND COMM CABLE CONNECTED !"),
                              QStringLiteral("COMMUNICATION FAILURE"), MessageIcon::Critical,
                              MessageButtons::Ok});
    if (alive && !downloadReport.isEmpty())
        m_operator.message(
            this, {downloadReport, questionTitle, MessageIcon::Exclamation, MessageButtons::Ok});
}

void Kvt7Window::onWriteFailed(const QString& errorText)
{
    m_operator.message(this, {errorText, {}, MessageIcon::Exclamation, MessageButtons::Ok});
}

void Kvt7Window::onLinkLost(const QString& reason)
{
    if (m_download)
        m_download->stop(ProgramDownload::Outcome::LinkLost);
    if (m_upload)
        m_upload->stop(ProgramUpload::Outcome::LinkLost);
    m_operator.message(
        this, {reason + QStringLiteral("\r\nThe port is closed; the program text is kept. "
                                       "Restart the program once the controller is connected."),
               questionTitle, MessageIcon::Exclamation, MessageButtons::Ok});
}

void Kvt7Window::SendData(const QString& command)
{
    m_link->sendData(command);
}

void Kvt7Window::txtonline_KeyPress()
{
    const QString command = toControllerUpper(txtonline->text());
    // Cleared now rather than after the send, so typing during a send is kept.
    txtonline->clear();
    m_link->sendData(command, [this, command](SendResult result) {
        if (result == SendResult::Discarded)
            return;
        lblonlinehistory->setText(keepNewestPieces(
            lblonlinehistory->text() + command + QStringLiteral("\r\n"), historyPieces));
    });
}

void Kvt7Window::mnu7exit_Click()
{
    close();
}

bool Kvt7Window::transferRunning() const
{
    return m_download || m_upload;
}

bool Kvt7Window::startTransfer()
{
    if (!transferRunning())
        return true;
    // One transfer at a time: a second one would interleave with the first on the line.
    m_operator.message(this, {QStringLiteral("A program transfer is still running. Wait until it "
                                             "has ended, then try again."),
                              questionTitle, MessageIcon::Exclamation, MessageButtons::Ok});
    return false;
}

void Kvt7Window::mnudownload_Click()
{
    if (!startTransfer())
        return;
    m_download = new ProgramDownload(*m_link, program::downloadLines(m_editor->text()), this);
    connect(m_download, &ProgramDownload::progress, this, [this](int answered, int total) {
        showStatus(QStringLiteral("Download: %1 of %2 lines sent").arg(answered).arg(total));
    });
    connect(m_download, &ProgramDownload::finished, this,
            [this](ProgramDownload::Outcome outcome) { downloadFinished(int(outcome)); });
    m_download->start();
}

void Kvt7Window::downloadFinished(int outcome)
{
    ProgramDownload* download = std::exchange(m_download, nullptr);
    download->deleteLater();
    const int answered = download->answered();
    const int total = download->total();
    const QString stopped =
        QStringLiteral("Download stopped after %1 of %2 lines").arg(answered).arg(total);
    switch (ProgramDownload::Outcome(outcome)) {
    case ProgramDownload::Outcome::Complete:
        showStatus(QStringLiteral("Download complete: %1 lines sent").arg(total));
        m_operator.beep();
        return;
    case ProgramDownload::Outcome::NoReply: {
        showStatus(stopped);
        const auto line = download->pendingLine();
        const QString which =
            line ? QStringLiteral("line %1 (%2)").arg(line->lineNumber).arg(line->command)
                 : QStringLiteral("the last line");
        m_downloadReport = QStringLiteral("The controller did not answer %1. The download was "
                                          "stopped; %2 of %3 lines were sent and answered.")
                               .arg(which)
                               .arg(answered)
                               .arg(total);
        return;
    }
    case ProgramDownload::Outcome::SendFailed:
    case ProgramDownload::Outcome::LinkLost:
    case ProgramDownload::Outcome::Abandoned:
        showStatus(stopped);
        return;
    }
}

void Kvt7Window::mnuuploadprog_Click(int program)
{
    if (!startTransfer())
        return;
    m_upload = new ProgramUpload(*m_link, program, m_timings.programUploadLimit, this);
    connect(m_upload, &ProgramUpload::programChanged, this,
            [this](const QString& text) { m_editor->setUploadedText(text, m_editor->caption()); });
    connect(m_upload, &ProgramUpload::finished, this,
            [this, program](ProgramUpload::Outcome outcome, const QString& text) {
                uploadFinished(int(outcome), text, program);
            });
    showStatus(QStringLiteral("Upload of program #%1 ...").arg(program));
    m_upload->start();
}

void Kvt7Window::uploadFinished(int outcome, const QString& text, int program)
{
    std::exchange(m_upload, nullptr)->deleteLater();
    const auto result = ProgramUpload::Outcome(outcome);
    switch (result) {
    case ProgramUpload::Outcome::Complete:
    case ProgramUpload::Outcome::TimedOut:
    case ProgramUpload::Outcome::Overflow:
        break;
    case ProgramUpload::Outcome::NotSent:
    case ProgramUpload::Outcome::LinkLost:
    case ProgramUpload::Outcome::Abandoned:
        // Nothing usable arrived: the operator's text stays as it was.
        showStatus(QStringLiteral("Upload of program #%1 failed").arg(program));
        return;
    }
    const bool whole =
        m_editor->setUploadedText(text, QStringLiteral("EDITOR - Upload #%1").arg(program));
    showStatus(result == ProgramUpload::Outcome::Complete
                   ? QStringLiteral("Upload of program #%1 complete").arg(program)
                   : QStringLiteral("Upload of program #%1 incomplete").arg(program));
    m_operator.beep();
    if (result == ProgramUpload::Outcome::Overflow)
        m_operator.message(this,
                           {QStringLiteral("The controller kept sending without ending program "
                                           "#%1 with M30; the upload was stopped after 1 MiB.")
                                .arg(program),
                            questionTitle, MessageIcon::Exclamation, MessageButtons::Ok});
    if (!whole)
        m_operator.message(this, {QStringLiteral("Program #%1 is longer than the editor's 480 "
                                                 "characters; the editor holds its beginning only.")
                                      .arg(program),
                                  questionTitle, MessageIcon::Exclamation, MessageButtons::Ok});
}

void Kvt7Window::showStatus(const QString& text)
{
    lblstatus->setText(text);
}

void Kvt7Window::closeEvent(QCloseEvent* event)
{
    if (!m_editor->confirmExit()) {
        event->ignore();
        return;
    }
    if (m_download)
        m_download->stop(ProgramDownload::Outcome::Abandoned);
    if (m_upload)
        m_upload->stop(ProgramUpload::Outcome::Abandoned);
    // The dialogs send through this window's link; they go with it.
    for (QWidget* dialog : std::initializer_list<QWidget*>{frmspeed, frmjog, frmdirset, frmsenlog})
        if (dialog)
            dialog->close();
    m_link->shutDown();
    m_port->close();
    event->accept();
}

} // namespace kvt
