#include "shell/Module1.h"
#include "kvt7/Kvt7Window.h"
#include "link/SerialLink.h"
#include "support/FakeSerialPort.h"
#include "support/ScriptedOperator.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::FakeSerialPort;
using kvt::test::ScriptedOperator;

namespace {

const Message com1Question{QStringLiteral("IS KVT7 CURRENTLY CONNECTED TO COM1 "),
                           QStringLiteral("KVT7 COMMUNICATION INTERFACE"), MessageIcon::Question,
                           MessageButtons::YesNo};
const Message com2Notice{QStringLiteral("KVT7 IS CONNECTED TO COM2"),
                         QStringLiteral("KVT7 COMMUNICATION INTERFACE"), MessageIcon::Exclamation,
                         MessageButtons::Ok};
const Message failureBox{
    QStringLiteral(
        "COMMUNICATION FAILED !!\r\nPLEASE ENSURE POWER IS ON AND COMM CABLE CONNECTED !"),
    QStringLiteral("COMMUNICATION FAILURE"), MessageIcon::Critical, MessageButtons::Ok};

struct Rig {
    explicit Rig(Timings t = fastTimings())
    {
        auto owned = std::make_unique<FakeSerialPort>();
        port = owned.get();
        window = std::make_unique<Kvt7Window>(op, std::move(owned), t);
    }
    static Timings fastTimings()
    {
        Timings t;
        t.pacing = 1ms;
        t.watchdog = 60s;
        return t;
    }
    Rig& initialised()
    {
        window->initialise();
        window->onlineen();
        op.messages.clear();
        return *this;
    }
    QLabel* label(const char* name) { return window->findChild<QLabel*>(QLatin1String(name)); }
    QLabel* response() { return label("lblresponse"); }
    QLineEdit* online() { return window->findChild<QLineEdit*>(QStringLiteral("txtonline")); }
    void enter(const QString& text)
    {
        online()->setText(text);
        QTest::keyClick(online(), Qt::Key_Return);
    }
    void waitIdle() { QTRY_VERIFY(!window->link().isSending()); }

    ScriptedOperator op;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<Kvt7Window> window;
};

} // namespace

class TestKvt7Connection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { Module1::reset(); }
    void portQuestion_data();
    void portQuestion();
    void portSetupAndStartValues();
    void openFailureIsReportedAndWindowOpens();
    void replyDisplay_data();
    void replyDisplay();
    void statusTextsAreAppended();
    void unknownEvent_data();
    void unknownEvent();
    void uploadModeCollectsInsteadOfShowing();
    void onlineCommand_data();
    void onlineCommand();
    void historyKeepsLast12();
    void typingDuringSendIsKept();
    void silentControllerReportedAfterOpening();
    void portLostMidSend();
    void exitClosesPortAndStopsSending();
};

void TestKvt7Connection::portQuestion_data()
{
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<int>("port");
    QTest::addColumn<QList<Message>>("messages");
    QTest::newRow("yes") << true << 1 << QList<Message>{com1Question};
    QTest::newRow("no") << false << 2 << QList<Message>{com1Question, com2Notice};
}

void TestKvt7Connection::portQuestion()
{
    QFETCH(bool, answerYes);
    QFETCH(int, port);
    QFETCH(QList<Message>, messages);
    Rig rig;
    rig.op.answerNext(answerYes ? MessageAnswer::Yes : MessageAnswer::No);
    QList<int> opensWhenAsked;
    rig.op.onMessage = [&](const Message&) { opensWhenAsked << rig.port->openCount; };
    rig.window->initialise();
    QCOMPARE(rig.op.messages, messages);
    QCOMPARE(opensWhenAsked, QList<int>(messages.size(), 0)); // asked before opening
    QCOMPARE(rig.port->openedPort, port);
    QVERIFY(rig.port->isOpen());
}

void TestKvt7Connection::portSetupAndStartValues()
{
    Rig rig;
    rig.initialised();
    QCOMPARE(rig.port->inputLength(), 0);
    QCOMPARE(rig.port->receiveThreshold(), 1);
    QCOMPARE(rig.port->settings, QStringLiteral("9600,N,8,1"));
    QCOMPARE(rig.port->handshaking(), Handshaking::None);
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("KVT7 communication interface"));
    QCOMPARE(rig.window->objectName(), QStringLiteral("frmkvt_7"));
    const QList<int> speeds = {Module1::HomeStartSpeed, Module1::HomeMaxSpeed, Module1::HomeAccel,
                               Module1::RunStartSpeed,  Module1::RunMaxSpeed,  Module1::RunAccel,
                               Module1::JogSpeed};
    QCOMPARE(speeds, (QList<int>{400, 1000, 1, 500, 5000, 1, 800}));
    QCOMPARE(Module1::ModelNo, 0);
    QVERIFY(rig.window->link().watchdogActive());
    QVERIFY(rig.port->writes.isEmpty());
}

void TestKvt7Connection::openFailureIsReportedAndWindowOpens()
{
    Rig rig;
    const QString reason = QStringLiteral("Cannot open /dev/ttyS0: No such file or directory");
    rig.port->failOpen(reason);
    rig.window->initialise();
    rig.window->onlineen();
    QCOMPARE(rig.op.messages.size(), 2);
    QCOMPARE(rig.op.messages.at(1),
             (Message{reason, QString(), MessageIcon::Exclamation, MessageButtons::Ok}));
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(Module1::JogSpeed, 800);

    // Sending on the closed port reports the write failure in a box of its own.
    rig.op.messages.clear();
    rig.enter(QStringLiteral("pos"));
    QTRY_COMPARE(rig.op.messages.size(), 1);
    QCOMPARE(rig.op.messages.at(0).text,
             QStringLiteral("Operation valid only when the port is open"));
    QCOMPARE(rig.op.messages.at(0).icon, MessageIcon::Exclamation);
}

void TestKvt7Connection::replyDisplay_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QString>("shown");
    QByteArray burst;
    QString last19;
    for (int i = 1; i <= 25; ++i)
        burst += "LINE " + QByteArray::number(i) + "\r\n";
    for (int i = 8; i <= 25; ++i)
        last19 += QStringLiteral("LINE %1\r\n").arg(i);
    QTest::newRow("25 lines in one burst") << QList<QByteArray>{burst} << last19;
    QTest::newRow("reply split over events")
        << QList<QByteArray>{"PO", "S=+0", "002000\r", "\n>"} << "POS=+0002000\r\n>";
    QByteArray manyShort;
    for (int i = 0; i < 30; ++i)
        manyShort += ">\r\n";
    QTest::newRow("split bursts trimmed as they grow")
        << QList<QByteArray>{manyShort.left(40), manyShort.mid(40), "END"}
        << QString(QStringLiteral(">\r\n").repeated(18) + QStringLiteral("END"));
    const QByteArray noBreaks(100000, 'x');
    QTest::newRow("endless text without line breaks keeps its end")
        << QList<QByteArray>{"first\r\n", noBreaks, "END"}
        << QString(QString(8189, QLatin1Char('x')) + QStringLiteral("END"));
    QTest::newRow("8-bit bytes shown, not dropped")
        << QList<QByteArray>{"\xb0\xff?\x01"} << QStringLiteral("\u00b0\u00ff?\u0001");
}

void TestKvt7Connection::replyDisplay()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QString, shown);
    Rig rig;
    rig.initialised();
    for (const QByteArray& piece : pieces)
        rig.port->receive(piece);
    QCOMPARE(rig.response()->text(), shown);
    QVERIFY(rig.window->ReplyReceived);
    QVERIFY(!rig.window->link().watchdogActive());
}

void TestKvt7Connection::statusTextsAreAppended()
{
    Rig rig;
    rig.initialised();
    rig.port->receive("POS=+00");
    rig.port->raiseEvent(1001);
    rig.port->raiseEvent(1002);
    rig.port->raiseEvent(1003);
    rig.port->raiseEvent(1008);
    rig.port->raiseEvent(1010);
    QCOMPARE(rig.response()->text(), QStringLiteral("POS=+00Break Received ! CTS timeoutDSR "
                                                    "timeoutReceive Buffer OverflowTransmit "
                                                    "Buffer Full"));
    QVERIFY(rig.op.messages.isEmpty());
    QVERIFY(rig.port->isOpen());
}

void TestKvt7Connection::unknownEvent_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("OK keeps the port") << 1005 << false;
    QTest::newRow("Cancel closes the port") << 0 << true;
}

void TestKvt7Connection::unknownEvent()
{
    QFETCH(int, code);
    QFETCH(bool, cancel);
    Rig rig;
    rig.initialised();
    rig.port->receive("OK");
    rig.op.answerNext(cancel ? MessageAnswer::Cancel : MessageAnswer::Ok);
    rig.port->raiseEvent(code);
    QCOMPARE(rig.op.beeps, 1);
    QCOMPARE(rig.op.messages,
             QList<Message>{(Message{QStringLiteral("UNKNOWN ERROR OR EVENT ENCOUNTERED !"),
                                     QStringLiteral("Click Cancel to quit, OK to ignore."),
                                     MessageIcon::None, MessageButtons::OkCancel})});
    QCOMPARE(rig.port->isOpen(), !cancel);
    QCOMPARE(rig.response()->text(), QStringLiteral("OK"));
}

void TestKvt7Connection::uploadModeCollectsInsteadOfShowing()
{
    Rig rig;
    rig.initialised();
    rig.window->editen();
    rig.port->receive("before");
    rig.window->ReplyReceived = false;
    rig.window->findChild<QAction*>(QStringLiteral("mnuuploadprog_2"))->trigger();
    rig.waitIdle();
    rig.port->receive("DP2\r\n#2\r\n");
    rig.port->receive("G27\r\n\r\n>");
    QCOMPARE(rig.response()->text(), QStringLiteral("before"));
    QVERIFY(!rig.window->ReplyReceived);
    rig.port->receive("M30\r\n\r\n>");
    QVERIFY(!rig.window->transferRunning());
    rig.port->receive(" after");
    QCOMPARE(rig.response()->text(), QStringLiteral("before after"));
    QVERIFY(rig.window->ReplyReceived);
}

void TestKvt7Connection::onlineCommand_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<QString>("history");
    using L = QList<QByteArray>;
    QTest::newRow("lower case") << "g00,1000" << L{"G", "0", "0", ",", "1", "0", "0", "0", "\r"}
                                << "G00,1000\r\n";
    QTest::newRow("empty") << "" << L{"\r"} << "\r\n";
    QTest::newRow("blanks untrimmed") << " pos " << L{" ", "P", "O", "S", " ", "\r"} << " POS \r\n";
}

void TestKvt7Connection::onlineCommand()
{
    QFETCH(QString, typed);
    QFETCH(QList<QByteArray>, writes);
    QFETCH(QString, history);
    Rig rig;
    rig.initialised();
    rig.enter(typed);
    QVERIFY(rig.online()->text().isEmpty());
    rig.waitIdle();
    QList<QByteArray> got;
    for (const auto& w : rig.port->writes)
        got << w.data;
    QCOMPARE(got, writes);
    QCOMPARE(rig.label("lblonlinehistory")->text(), history);
}

void TestKvt7Connection::historyKeepsLast12()
{
    Rig rig;
    rig.initialised();
    for (int i = 1; i <= 20; ++i)
        rig.enter(QStringLiteral("c%1").arg(i));
    rig.waitIdle();
    QString expected;
    for (int i = 9; i <= 20; ++i)
        expected += QStringLiteral("C%1\r\n").arg(i);
    QCOMPARE(rig.label("lblonlinehistory")->text(), expected);
    // Every command went out whole and in order, none inside another.
    QByteArray wire;
    for (int i = 1; i <= 20; ++i)
        wire += "C" + QByteArray::number(i) + "\r";
    QCOMPARE(rig.port->written(), wire);
}

void TestKvt7Connection::typingDuringSendIsKept()
{
    Rig rig;
    rig.initialised();
    rig.enter(QStringLiteral("g00,100"));
    QTest::keyClicks(rig.online(), QStringLiteral("po"));
    rig.waitIdle();
    QCOMPARE(rig.online()->text(), QStringLiteral("po"));
}

void TestKvt7Connection::silentControllerReportedAfterOpening()
{
    Timings t = Rig::fastTimings();
    t.watchdog = 50ms;
    Rig rig(t);
    rig.initialised();
    QTRY_COMPARE(rig.op.messages, QList<Message>{failureBox});
    QVERIFY(!rig.window->link().watchdogActive());
    QVERIFY(rig.port->writes.isEmpty());
    QVERIFY(rig.port->isOpen());
    // The next command goes out normally and arms the watchdog again.
    rig.enter(QStringLiteral("pos"));
    rig.waitIdle();
    QCOMPARE(rig.port->written(), QByteArray("POS\r"));
}

void TestKvt7Connection::portLostMidSend()
{
    Rig rig;
    rig.initialised();
    rig.port->receive("READY\r\n");
    rig.enter(QStringLiteral("g00,1000"));
    rig.enter(QStringLiteral("pos"));
    QTRY_VERIFY(rig.port->writes.size() >= 3);
    const QString reason =
        QStringLiteral("The connection on /dev/ttyUSB0 was lost: Input/output error");
    rig.port->loseLink(reason);
    QCOMPARE(rig.op.messages.size(), 1);
    QVERIFY(rig.op.messages.at(0).text.startsWith(reason));
    QCOMPARE(rig.op.messages.at(0).icon, MessageIcon::Exclamation);
    QTest::qWait(20);
    QCOMPARE(rig.op.messages.size(), 1); // once, not once per queued command
    QCOMPARE(rig.response()->text(), QStringLiteral("READY\r\n"));
    QVERIFY(rig.window->isEnabled());
}

void TestKvt7Connection::exitClosesPortAndStopsSending()
{
    Rig rig;
    rig.initialised();
    rig.window->show();
    rig.enter(QStringLiteral("g00,1000"));
    QTRY_VERIFY(rig.port->writes.size() >= 2);
    auto* exit = rig.window->findChild<QAction*>(QStringLiteral("mnu7exit"));
    QVERIFY(exit);
    QCOMPARE(exit->text(), QStringLiteral("E&xit"));
    exit->trigger();
    QVERIFY(!rig.window->isVisible());
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(rig.port->closeCount, 1);
    const auto writes = rig.port->writes.size();
    QTest::qWait(20);
    QCOMPARE(rig.port->writes.size(), writes);
    QVERIFY(rig.op.messages.isEmpty());
}

QTEST_MAIN(TestKvt7Connection)
#include "tst_kvt7connection.moc"
