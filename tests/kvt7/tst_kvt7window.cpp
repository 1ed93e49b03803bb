#include "support/ScreenReader.h"
#include "support/WindowRig.h"

#include "editor/EditorController.h"
#include "frontend/PanelLook.h"
#include "kvt7/Kvt7Window.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace kvt;
using namespace std::chrono_literals;

namespace {

const QString title = QStringLiteral("KVT7 COMMUNICATION INTERFACE");
const Message com1Question{QStringLiteral("IS KVT7 CURRENTLY CONNECTED TO COM1 "), title,
                           MessageIcon::Question, MessageButtons::YesNo};
const Message com2Notice{QStringLiteral("KVT7 IS CONNECTED TO COM2"), title,
                         MessageIcon::Exclamation, MessageButtons::Ok};
const Message failureBox{
    QStringLiteral(
        "COMMUNICATION FAILED !!\r\nPLEASE ENSURE POWER IS ON AND COMM CABLE CONNECTED !"),
    QStringLiteral("COMMUNICATION FAILURE"), MessageIcon::Critical, MessageButtons::Ok};
const QString example = QStringLiteral("m31,0\r\nG00,100  remark\r\n\r\nm30");

struct Rig : test::WindowRig<Kvt7Window> {
    using WindowRig::WindowRig;
    QString text(const char* label) { return find<QLabel>(QLatin1String(label))->text(); }
    QPlainTextEdit* txteditor() { return find<QPlainTextEdit>(QStringLiteral("txteditor")); }
    QString fraeditorTitle() { return find<QGroupBox>(QStringLiteral("fraeditor"))->title(); }
    QString activePanels()
    {
        QStringList active;
        for (const char* name : {"fraeditor", "fraonline", "framanual", "framoni"})
            if (look::background(find<QWidget>(QLatin1String(name))) != look::inactiveBack)
                active << QLatin1String(name);
        return active.join(u' ');
    }
    void click(QWidget* widget)
    {
        // Through the window system, so a click on a disabled control lands as a user's would.
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                          widget->mapTo(window.get(), QPoint(3, 3)));
    }
    // The example program from the editor, up to its first line on the wire.
    bool startDownload()
    {
        trigger(QStringLiteral("mnueact"));
        txteditor()->setPlainText(example);
        trigger(QStringLiteral("mnudownload"));
        return waitForWritten("M31,0\r");
    }
    bool waitForTransferEnd()
    {
        return QTest::qWaitFor([this] { return !window->transferRunning(); }, 5000);
    }
};

} // namespace

class TestKvt7Window : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUp_data();
    void startUp();
    void silentControllerIsReportedAfterOpening();
    void repliesAndLineEvents();
    void onlineCommandsAndHistory();
    void panelActivation_data();
    void panelActivation();
    void editorCloseAndActivate();
    void lineNumbersStayBesideTheirLines();
    void manualAndMonitorSend();
    void downloadThroughTheWindow();
    void uploadFillsTheEditor();
    void uploadThatDoesNotCompleteKeepsTheText_data();
    void uploadThatDoesNotCompleteKeepsTheText();
    void exitStopsATransfer();
    void everyControlHasAName();
};

void TestKvt7Window::startUp_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QString>("openFailure");
    QTest::addColumn<int>("port");
    QTest::addColumn<QList<Message>>("messages");
    QTest::newRow("COM1") << MessageAnswer::Yes << QString() << 1 << QList<Message>{com1Question};
    QTest::newRow("COM2") << MessageAnswer::No << QString() << 2
                          << QList<Message>{com1Question, com2Notice};
    // A port that does not open is told, and the window opens regardless.
    QTest::newRow("port missing") << MessageAnswer::Yes << "gone" << 1
                                  << QList<Message>{com1Question,
                                                    {"gone", {}, MessageIcon::Exclamation}};
}

void TestKvt7Window::startUp()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(QString, openFailure);
    QFETCH(int, port);
    QFETCH(QList<Message>, messages);
    Rig rig;
    if (!openFailure.isEmpty())
        rig.port->failOpen(openFailure);
    rig.op.answerNext(answer);
    rig.window->initialise();
    QCOMPARE(rig.op.messages, messages);
    QCOMPARE(rig.port->openedPort, port);
    QCOMPARE(rig.port->isOpen(), openFailure.isEmpty());
    QCOMPARE(rig.port->settings, QStringLiteral("9600,N,8,1"));
    QCOMPARE(rig.port->receiveThreshold(), 1);
    QCOMPARE(rig.port->inputLength(), 0);
    QCOMPARE(rig.port->handshaking(), Handshaking::None);
    QCOMPARE(rig.activePanels(), QString());
}

void TestKvt7Window::silentControllerIsReportedAfterOpening()
{
    Timings t = Rig::timings();
    t.watchdog = 100ms;
    Rig rig(t);
    rig.initialised();
    QTRY_COMPARE(rig.op.messages, QList<Message>{failureBox});
    QVERIFY(rig.port->writes.isEmpty());
    QVERIFY(rig.port->isOpen());
}

void TestKvt7Window::repliesAndLineEvents()
{
    Rig rig;
    rig.initialised();
    QString burst, kept;
    for (int i = 1; i <= 25; ++i) {
        burst += QStringLiteral("LINE %1\r\n").arg(i);
        kept += i >= 8 ? QStringLiteral("LINE %1\r\n").arg(i) : QString();
    }
    rig.port->receive(burst.left(100).toLatin1());
    rig.port->receive(burst.mid(100).toLatin1());
    QCOMPARE(rig.text("lblresponse"), kept);
    rig.port->receive("POS=+5");
    rig.port->raiseEvent(CommEvent::Break);
    QVERIFY(rig.text("lblresponse").endsWith(QStringLiteral("POS=+5Break Received ! ")));
    QVERIFY(rig.op.messages.isEmpty());
    // An unknown event asks; Cancel closes the port.
    rig.op.answerNext(MessageAnswer::Cancel);
    rig.port->raiseEvent(1009);
    QCOMPARE(rig.op.beeps, 1);
    QCOMPARE(rig.op.messages,
             QList<Message>{(Message{QStringLiteral("UNKNOWN ERROR OR EVENT ENCOUNTERED !"),
                                     QStringLiteral("Click Cancel to quit, OK to ignore."),
                                     MessageIcon::None, MessageButtons::OkCancel})});
    QVERIFY(!rig.port->isOpen());
}

void TestKvt7Window::onlineCommandsAndHistory()
{
    Rig rig;
    rig.initialised();
    rig.trigger(QStringLiteral("mnuoact"));
    auto* txtonline = rig.find<QLineEdit>(QStringLiteral("txtonline"));
    QStringList typed;
    for (int i = 1; i <= 13; ++i) {
        typed << QStringLiteral("g00,%1").arg(i);
        QTest::keyClicks(txtonline, typed.last());
        QTest::keyClick(txtonline, Qt::Key_Return);
        QVERIFY(txtonline->text().isEmpty()); // cleared at once, so typing goes on
    }
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.port->written(), typed.join(u'\r').toUpper().toLatin1() + "\r");
    // The history keeps the last twelve commands, as they went out.
    QString history;
    for (int i = 2; i <= 13; ++i)
        history += QStringLiteral("G00,%1\r\n").arg(i);
    QTRY_COMPARE(rig.text("lblonlinehistory"), history);
}

void TestKvt7Window::panelActivation_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("active");
    QTest::newRow("click editor") << QStringList{"click fraeditor"} << "fraeditor";
    QTest::newRow("online activate") << QStringList{"mnuoact"} << "fraonline";
    QTest::newRow("click a grey manual button") << QStringList{"click cmdman_6"} << "framanual";
    QTest::newRow("monitor activate") << QStringList{"mnunact"} << "framoni";
    QTest::newRow("editor then online")
        << QStringList{"click fraeditor", "click fraonline"} << "fraonline";
    QTest::newRow("manual, monitor, editor")
        << QStringList{"click framanual", "mnunact", "mnueact"} << "fraeditor";
}

void TestKvt7Window::panelActivation()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, active);
    Rig rig;
    rig.initialised();
    for (const QString& step : steps) {
        if (step.startsWith(QLatin1String("click ")))
            rig.click(rig.find<QWidget>(step.mid(6)));
        else
            rig.trigger(step);
    }
    QCOMPARE(rig.activePanels(), active);
    const auto enabledIn = [&](const char* frame) {
        return rig.find<QWidget>(QLatin1String(frame))->findChild<QAbstractButton*>() == nullptr ||
               rig.find<QWidget>(QLatin1String(frame))->findChild<QAbstractButton*>()->isEnabled();
    };
    QCOMPARE(rig.txteditor()->isEnabled(), active == "fraeditor");
    QCOMPARE(rig.find<QLineEdit>(QStringLiteral("txtonline"))->isEnabled(), active == "fraonline");
    QCOMPARE(enabledIn("framanual"), active == "framanual");
    QCOMPARE(enabledIn("framoni"), active == "framoni");
    for (const char* name : {"mnu7file", "mnudownload", "mnuupload", "mnucut", "mnucopy"})
        QCOMPARE(rig.find<QAction>(QLatin1String(name))->isEnabled(), active == "fraeditor");
    QVERIFY(!rig.find<QAction>(QStringLiteral("mnupaste"))->isEnabled());
    // Nothing a grey panel holds reached the line.
    QVERIFY(rig.port->writes.isEmpty());
}

void TestKvt7Window::editorCloseAndActivate()
{
    Rig rig;
    rig.initialised();
    rig.trigger(QStringLiteral("mnueact"));
    rig.txteditor()->setPlainText(QStringLiteral("G27"));
    rig.txteditor()->selectAll();
    rig.trigger(QStringLiteral("mnucopy"));
    QVERIFY(rig.find<QAction>(QStringLiteral("mnupaste"))->isEnabled());
    rig.trigger(QStringLiteral("mnueclose"));
    QVERIFY(!rig.find<QWidget>(QStringLiteral("fraeditor"))->isVisible());
    for (const char* name : {"mnu7file", "mnudownload", "mnuupload", "mnupaste", "mnueclose"})
        QVERIFY2(!rig.find<QAction>(QLatin1String(name))->isVisible(), name);
    rig.trigger(QStringLiteral("mnueact"));
    for (const char* name : {"mnu7file", "mnudownload", "mnuupload", "mnueclose"})
        QVERIFY2(rig.find<QAction>(QLatin1String(name))->isVisible() &&
                     rig.find<QAction>(QLatin1String(name))->isEnabled(),
                 name);
    QVERIFY(!rig.find<QAction>(QStringLiteral("mnupaste"))->isEnabled());
    QCOMPARE(rig.txteditor()->toPlainText(), QStringLiteral("G27"));
}

void TestKvt7Window::lineNumbersStayBesideTheirLines()
{
    Rig rig;
    rig.initialised();
    rig.trigger(QStringLiteral("mnueact"));
    rig.txteditor()->setPlainText(QStringLiteral("G0\n").repeated(39) + QStringLiteral("M30"));
    rig.txteditor()->moveCursor(QTextCursor::End);
    QTRY_VERIFY(rig.text("lbleditlineno").endsWith(QStringLiteral("\n039")));
    // The top number is that of the line at the top of the box, scrolled away from 000.
    const int top = rig.txteditor()->cursorForPosition(QPoint(1, 1)).blockNumber();
    QVERIFY(top > 0);
    QVERIFY(rig.text("lbleditlineno")
                .startsWith(QStringLiteral("%1\n").arg(top, 3, 10, QLatin1Char('0'))));
    rig.txteditor()->moveCursor(QTextCursor::Start);
    QTRY_VERIFY(rig.text("lbleditlineno").startsWith(QStringLiteral("000\n001\n")));
}

void TestKvt7Window::manualAndMonitorSend()
{
    Rig rig;
    rig.initialised();
    rig.trigger(QStringLiteral("mnumact"));
    rig.find<QScrollBar>(QStringLiteral("hscg10"))->setValue(-5);
    rig.find<QPushButton>(QStringLiteral("cmdman_1"))->click();
    QVERIFY(rig.waitForWritten("G10,-5\r"));
    rig.find<QScrollBar>(QStringLiteral("hscdelprg"))->setValue(3);
    rig.find<QPushButton>(QStringLiteral("cmdman_8"))->click(); // Enter: deletes nothing
    rig.op.answerNext(MessageAnswer::Yes);
    rig.find<QPushButton>(QStringLiteral("cmdman_8"))->click();
    QVERIFY(rig.waitForWritten("DELP3\r"));
    QCOMPARE(rig.op.messages.size(), 2);
    QCOMPARE(rig.op.messages.at(0),
             (Message{QStringLiteral("Are you sure you want to delete program #3"),
                      QStringLiteral("Delete Program"), MessageIcon::Question,
                      MessageButtons::YesNo, MessageAnswer::No}));

    rig.trigger(QStringLiteral("mnunact"));
    QTest::mouseClick(rig.find<QWidget>(QStringLiteral("optprg_2")), Qt::LeftButton, {},
                      QPoint(5, 5));
    rig.find<QPushButton>(QStringLiteral("cmdmoni_4"))->click();
    QVERIFY(rig.waitForWritten("DP2\r"));
    QCOMPARE(rig.port->written(), QByteArray("G10,-5\rDELP3\rDP2\r"));
}

void TestKvt7Window::downloadThroughTheWindow()
{
    Rig rig;
    rig.initialised();
    QVERIFY(rig.startDownload());
    QCOMPARE(rig.text("lblstatus"), QStringLiteral("Download: 0 of 3 lines sent"));
    rig.trigger(QStringLiteral("mnuuploadprog_0")); // one transfer at a time
    QCOMPARE(rig.op.messages.size(), 1);
    for (const QByteArray next : {"G00,100\r", "M30\r"}) {
        rig.port->receive("OK\r\n>");
        QVERIFY(rig.waitForWritten(next));
    }
    QCOMPARE(rig.op.beeps, 0);
    rig.port->receive("OK\r\n>");
    QVERIFY(rig.waitForTransferEnd());
    QCOMPARE(rig.port->written(), QByteArray("M31,0\rG00,100\rM30\r"));
    QCOMPARE(rig.op.beeps, 1);
    QCOMPARE(rig.text("lblstatus"), QStringLiteral("Download complete: 3 lines sent"));
    QCOMPARE(rig.window->editor().text(), example); // only the copy on the wire is upper-cased
    QVERIFY(rig.text("lblresponse").endsWith(QStringLiteral("OK\r\n>")));
    QCOMPARE(rig.op.messages.size(), 1);
}

void TestKvt7Window::uploadFillsTheEditor()
{
    Rig rig;
    rig.initialised();
    rig.trigger(QStringLiteral("mnueact"));
    QTest::keyClicks(rig.txteditor(), QStringLiteral("G27"));
    // Unsaved text is asked about first; Cancel starts nothing.
    rig.op.answerNext(MessageAnswer::Cancel);
    rig.trigger(QStringLiteral("mnuuploadprog_2"));
    QCOMPARE(rig.op.messages.size(), 1);
    QCOMPARE(rig.op.messages.at(0).buttons, MessageButtons::YesNoCancel);
    QVERIFY(!rig.window->transferRunning());
    rig.op.answerNext(MessageAnswer::No);
    rig.trigger(QStringLiteral("mnuuploadprog_2"));
    QVERIFY(rig.waitForWritten("DP2\r"));
    QVERIFY(rig.waitIdle());
    rig.port->receive("DP2\r\n#2\r\nG00,100\r\n\r\n>M30\r\n\r\n>");
    QVERIFY(!rig.window->transferRunning());
    QCOMPARE(rig.window->editor().text(), QStringLiteral("M31,2\r\nG00,100\r\nM30\r\n"));
    QCOMPARE(rig.fraeditorTitle(), QStringLiteral("EDITOR - Upload #2"));
    QVERIFY(!rig.window->editor().fileFlag() && rig.window->editor().editFlag());
    QCOMPARE(rig.op.beeps, 1);
    QVERIFY(rig.text("lblresponse").isEmpty()); // the listing is not a reply
    rig.port->receive("PROMPT>");
    QCOMPARE(rig.text("lblresponse"), QStringLiteral("PROMPT>"));
    rig.txteditor()->undo(); // the replacement is one step back
    QCOMPARE(rig.window->editor().text(), QStringLiteral("G27"));
}

void TestKvt7Window::uploadThatDoesNotCompleteKeepsTheText_data()
{
    QTest::addColumn<QString>("end");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QString>("editor");
    QTest::newRow("link lost") << "lost" << MessageAnswer::No << "G27";
    QTest::newRow("time limit, keep mine") << "limit" << MessageAnswer::No << "G27";
    QTest::newRow("time limit, take what came")
        << "limit" << MessageAnswer::Yes << "M31,1\r\nG00,100\r\n";
}

void TestKvt7Window::uploadThatDoesNotCompleteKeepsTheText()
{
    QFETCH(QString, end);
    QFETCH(MessageAnswer, answer);
    QFETCH(QString, editor);
    Timings t = Rig::timings();
    t.programUploadLimit = 300ms;
    Rig rig(t);
    rig.initialised();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("mine.txt"));
    rig.trigger(QStringLiteral("mnueact"));
    rig.txteditor()->setPlainText(QStringLiteral("G27"));
    rig.op.answerNextFile(file);
    rig.trigger(QStringLiteral("mnusaveas"));
    const QString caption = rig.fraeditorTitle();

    rig.trigger(QStringLiteral("mnuuploadprog_1"));
    QVERIFY(rig.waitIdle());
    rig.port->receive("DP1\r\n#1\r\nG00,100\r\n\r\n>");
    QCOMPARE(rig.window->editor().text(), QStringLiteral("G27")); // the listing grows out of sight
    if (end == "lost")
        rig.port->loseLink(QStringLiteral("The device /dev/ttyUSB0 was removed"));
    else
        rig.op.answerNext(answer);
    QVERIFY(rig.waitForTransferEnd());
    QCOMPARE(rig.window->editor().text(), editor);
    QCOMPARE(rig.op.messages.size(), 1);
    if (editor == "G27") {
        QCOMPARE(rig.fraeditorTitle(), caption);
        QVERIFY(rig.window->editor().fileFlag() && !rig.window->editor().editFlag());
        QVERIFY(rig.op.messages.at(0).text.contains(end == "lost" ? "the program text is kept"
                                                                  : "still holds your text"));
    } else {
        QCOMPARE(rig.fraeditorTitle(), QStringLiteral("EDITOR - Upload #1"));
        QVERIFY(!rig.window->editor().fileFlag());
    }
}

void TestKvt7Window::exitStopsATransfer()
{
    Rig rig;
    rig.initialised();
    QVERIFY(rig.startDownload());
    rig.op.answerNext(MessageAnswer::No); // don't save the changed text
    rig.trigger(QStringLiteral("mnu7exit"));
    QVERIFY(!rig.window->isVisible() && !rig.port->isOpen() && !rig.window->transferRunning());
    rig.port->receive("OK");
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.port->written(), QByteArray("M31,0\r"));
}

void TestKvt7Window::everyControlHasAName()
{
    Rig rig;
    rig.initialised();
    rig.port->receive("POS=+0000100\r\n>");
    rig.trigger(QStringLiteral("mnuoact"));
    QTest::keyClicks(rig.find<QLineEdit>(QStringLiteral("txtonline")), QStringLiteral("pos\r"));
    QTRY_VERIFY(!rig.text("lblonlinehistory").isEmpty());
    int checked = 0;
    const QStringList unnamed = test::unnamedControls(rig.window.get(), &checked);
    QVERIFY2(checked >= 55, qPrintable(QString::number(checked)));
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestKvt7Window)
#include "tst_kvt7window.moc"
