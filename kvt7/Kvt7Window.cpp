#include "Kvt7Window.h"

#include "app/shell/Module1.h"
#include "app/shell/Operator.h"
#include "link/ReplyText.h"
#include "link/SerialLink.h"
#include "link/SerialPort.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QVBoxLayout>

namespace kvt {

namespace {
const QString windowCaption = QStringLiteral("KVT7 communication interface");
const QString questionTitle = QStringLiteral("KVT7 COMMUNICATION INTERFACE");
const QString lineSettings = QStringLiteral("9600,N,8,1");
constexpr int responsePieces = 19;
constexpr int historyPieces = 13;
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
    buildWindow();
    wireLink();
}

Kvt7Window::~Kvt7Window() = default;

void Kvt7Window::buildWindow()
{
    auto* exit = menuBar()->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnu7exit"));
    connect(exit, &QAction::triggered, this, &Kvt7Window::mnu7exit_Click);

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->addWidget(buildResponseFrame(), 0, 1);
    grid->addWidget(buildOnlineFrame(), 0, 0);
    grid->setColumnStretch(1, 4);
    setCentralWidget(central);
}

QGroupBox* Kvt7Window::buildResponseFrame()
{
    fraresponse = new QGroupBox(QStringLiteral("KVT7 INTERFACE"));
    fraresponse->setObjectName(QStringLiteral("fraresponse"));
    fraresponse->setStyleSheet(QStringLiteral(
        "QGroupBox#fraresponse { background-color: rgb(255,0,0); color: black; }"
        "QLabel#lblresponse { background-color: rgb(255,0,0); color: rgb(64,64,64); }"));
    lblresponse = new QLabel;
    lblresponse->setObjectName(QStringLiteral("lblresponse"));
    lblresponse->setTextFormat(Qt::PlainText);
    lblresponse->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblresponse->setWordWrap(true);
    lblresponse->setAccessibleName(QStringLiteral("Controller replies"));
    auto* layout = new QVBoxLayout(fraresponse);
    layout->addWidget(lblresponse);
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
    lblonlinehis->setBuddy(txtonline);
    auto* layout = new QVBoxLayout(fraonline);
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
    if (UploadMode) {
        UploadBuffer += data;
        return;
    }
    const QString DisplayText = lblresponse->text() + fromWire(data);
    ReplyReceived = true;
    lblresponse->setText(keepNewestPieces(DisplayText, responsePieces));
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
    // The watchdog is single-shot and already off, so a command sent while the
    // box is open keeps the watchdog it armed.
    m_operator.message(this, {QStringLiteral("COMMUNICATION FAILED !!\r\nPLEASE ENSURE POWER IS ON "
                                             "AND COMM CABLE CONNECTED !"),
                              QStringLiteral("COMMUNICATION FAILURE"), MessageIcon::Critical,
                              MessageButtons::Ok});
}

void Kvt7Window::onWriteFailed(const QString& errorText)
{
    m_operator.message(this, {errorText, {}, MessageIcon::Exclamation, MessageButtons::Ok});
}

void Kvt7Window::onLinkLost(const QString& reason)
{
    m_operator.message(
        this, {reason + QStringLiteral("\r\nThe port is closed; the program text is kept. "
                                       "Restart the program once the controller is connected."),
               questionTitle, MessageIcon::Exclamation, MessageButtons::Ok});
}

void Kvt7Window::txtonline_KeyPress()
{
    const QString command = toControllerUpper(txtonline->text());
    // Cleared now rather than after the send, so typing during a send is kept.
    txtonline->clear();
    const QPointer<Kvt7Window> alive(this);
    m_link->sendData(command, [this, alive, command](SendResult result) {
        if (!alive || result == SendResult::Discarded)
            return;
        lblonlinehistory->setText(keepNewestPieces(
            lblonlinehistory->text() + command + QStringLiteral("\r\n"), historyPieces));
    });
}

void Kvt7Window::mnu7exit_Click()
{
    close();
}

void Kvt7Window::closeEvent(QCloseEvent* event)
{
    m_link->shutDown();
    m_port->close();
    event->accept();
}

} // namespace kvt
