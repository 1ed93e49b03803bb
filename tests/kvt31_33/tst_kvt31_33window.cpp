#include "support/ScreenReader.h"
#include "support/WindowRig.h"

#include "editor/EditorController.h"
#include "frontend/PanelLook.h"
#include "kvt31_33/Kvt31_33Window.h"
#include "shell/MessageWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace kvt;
using namespace std::chrono_literals;

namespace {

const QString portTitle = QStringLiteral("COMMUNICATION INTERFACE");

struct Rig : test::WindowRig<Kvt31_33Window> {
    explicit Rig(Timings t = timings()) : WindowRig(t) {}
    static Timings timings()
    {
        Timings t = WindowRig::timings();
        t.keypadPause = 2ms;
        t.keypadUploadLimit = 300ms;
        return t;
    }
    QString shown() { return find<QLabel>(QStringLiteral("lblresponse"))->text(); }
    bool visibleAndEnabled(const char* item)
    {
        QAction* action = find<QAction>(QLatin1String(item));
        return action->isVisible() && action->isEnabled();
    }
    void download(const QString& program, MessageAnswer answer = MessageAnswer::Ok)
    {
        window->editor().setUploadedText(program, {});
        op.answerNext(answer);
        trigger(QStringLiteral("mnudownload"));
    }
};

} // namespace

class TestKvt31_33Window : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUp_data();
    void startUp();
    void repliesAndLineEvents();
    void editorCloseAndActivate();
    void download_data();
    void download();
    void exitDuringDownload();
    void upload_data();
    void upload();
    void everyControlHasAName();
};

void TestKvt31_33Window::startUp_data()
{
    QTest::addColumn<int>("modelNo");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("KVT31 on COM1")
        << 1 << MessageAnswer::Yes << QStringList{"IS KVT31 CURRENTLY CONNECTED TO COM1 ? "};
    QTest::newRow("KVT31 on COM2")
        << 1 << MessageAnswer::No
        << QStringList{"IS KVT31 CURRENTLY CONNECTED TO COM1 ? ", "KVT31 IS CONNECTED TO COM2 "};
    QTest::newRow("KVT33 on COM2")
        << 2 << MessageAnswer::No
        << QStringList{"IS KVT33 CURRENTLY CONNECTED TO COM1 ? ", "KVT33 IS  CONNECTED TO  COM2 "};
}

void TestKvt31_33Window::startUp()
{
    QFETCH(int, modelNo);
    QFETCH(MessageAnswer, answer);
    QFETCH(QStringList, texts);
    Rig rig;
    Module1::ModelNo = qint16(modelNo);
    rig.op.answerNext(answer);
    rig.window->initialise();
    QStringList shown;
    for (const Message& m : std::as_const(rig.op.messages)) {
        shown << m.text;
        QCOMPARE(m.title, portTitle);
    }
    QCOMPARE(shown, texts);
    QCOMPARE(rig.port->openedPort, texts.size());
    QCOMPARE(rig.port->settings, QStringLiteral("1200,N,8,1"));
    QCOMPARE(rig.port->receiveThreshold(), 2);
    QCOMPARE(rig.port->handshaking(), Handshaking::RtsCts);
    QVERIFY(!rig.find<QGroupBox>(QStringLiteral("fraeditor"))->isHidden());
    QVERIFY(rig.visibleAndEnabled("mnudownload") && !rig.visibleAndEnabled("mnupaste"));
}

void TestKvt31_33Window::repliesAndLineEvents()
{
    Rig rig;
    rig.initialised();
    // A lone character is shown once the line falls quiet, not held for a second one.
    rig.port->receive("?");
    QTRY_COMPARE(rig.shown(), QStringLiteral("?"));
    QString burst;
    for (int i = 1; i <= 12; ++i)
        burst += QStringLiteral("L%1\r\n").arg(i);
    rig.port->receive(burst.toLatin1());
    // Nine pieces: the last eight lines and what follows their final CR LF.
    QCOMPARE(rig.shown(), burst.mid(burst.indexOf(QLatin1String("L5"))));
    rig.port->raiseEvent(CommEvent::Break);
    QCOMPARE(rig.shown(), QStringLiteral("Break Received ! "));
    // An unknown event is on show while the operator is asked; Cancel closes the port.
    QString shownWhileAsked;
    rig.op.onMessage = [&](const Message&) { shownWhileAsked = rig.shown(); };
    rig.op.answerNext(MessageAnswer::Cancel);
    rig.port->raiseEvent(1009);
    QCOMPARE(shownWhileAsked, QStringLiteral("UNKNOWN ERROR OR EVENT ENCOUNTERED !"));
    QCOMPARE(rig.op.messages.size(), 1);
    QVERIFY(!rig.port->isOpen());
}

void TestKvt31_33Window::editorCloseAndActivate()
{
    Rig rig;
    rig.initialised();
    rig.trigger(QStringLiteral("mnueditclose"));
    QVERIFY(!rig.find<QAction>(QStringLiteral("mnudownload"))->isVisible());
    QVERIFY(!rig.find<QAction>(QStringLiteral("mnuupload"))->isVisible());
    rig.trigger(QStringLiteral("mnueditact"));
    QVERIFY(rig.visibleAndEnabled("mnudownload") && rig.visibleAndEnabled("mnuupload"));
    QVERIFY(!rig.visibleAndEnabled("mnupaste"));
}

void TestKvt31_33Window::download_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<bool>("lineHeld"); // RTS/CTS holds the line: the controller is off
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("shownAfter");
    QTest::newRow("sent") << MessageAnswer::Ok << false << QByteArray("G00,+1000\rM30\rEND\r")
                          << "Download  Completed.        ";
    QTest::newRow("setup box cancelled") << MessageAnswer::Cancel << false << QByteArray() << "";
    QTest::newRow("line held") << MessageAnswer::Ok << true << QByteArray("G00,+1000\r")
                               << "Download stopped after 0 of 2 lines.";
}

void TestKvt31_33Window::download()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(bool, lineHeld);
    QFETCH(QByteArray, wire);
    QFETCH(QString, shownAfter);
    Timings t = Rig::timings();
    t.watchdog = lineHeld ? 300ms : t.watchdog;
    Rig rig(t);
    rig.initialised();
    rig.port->holdOutput(lineHeld ? 1 : 0);
    // The controller answers while lines go out and during the pauses; the
    // replies are shown and stall nothing. The menus stay off meanwhile, even
    // when the editor panel is activated again.
    int ticksWhileSending = 0;
    bool menusOnWhileSending = false;
    connect(rig.window->link().findChild<QTimer*>(QStringLiteral("tmrcharsend")), &QTimer::timeout,
            rig.window.get(), [&] {
                rig.port->receive("OK");
                if (!rig.window->transferRunning())
                    return;
                ++ticksWhileSending;
                rig.window->editen(); // a click on the editor frame
                menusOnWhileSending |= rig.find<QAction>(QStringLiteral("mnufile"))->isEnabled() ||
                                       rig.visibleAndEnabled("mnuupload");
            });
    rig.download(QStringLiteral("g00,+1000 to the end\r\nx\r\n\r\nm30"), answer);
    QTRY_VERIFY(!rig.window->transferRunning());
    rig.port->drainOutput();
    QCOMPARE(rig.port->written(), wire);
    QCOMPARE(rig.op.messages.constFirst().title, QStringLiteral("DOWNLOADING SETUP"));
    QVERIFY(rig.op.messages.constFirst().text.endsWith(QStringLiteral("DOWNLOADING AGAIN ")));
    if (answer != MessageAnswer::Ok)
        return;
    QVERIFY(ticksWhileSending > 0 && !menusOnWhileSending);
    QVERIFY(rig.visibleAndEnabled("mnudownload") && rig.visibleAndEnabled("mnuedit"));
    QVERIFY2(rig.shown().startsWith(shownAfter), qPrintable(rig.shown()));
    QCOMPARE(rig.op.beeps, lineHeld ? 0 : 1);
    QCOMPARE(rig.op.messages.constLast().title, lineHeld ? QStringLiteral("COMMUNICATION FAILURE")
                                                         : QStringLiteral("DOWNLOADING SETUP"));
}

void TestKvt31_33Window::exitDuringDownload()
{
    Rig rig;
    rig.initialised();
    rig.port->holdOutput(1);
    rig.window->editor().setUploadedText(QStringLiteral("G27\r\nM30"), {});
    rig.trigger(QStringLiteral("mnudownload"));
    QVERIFY(rig.waitForWritten("G27\r"));
    rig.op.answerNext(MessageAnswer::No); // not saved
    rig.trigger(QStringLiteral("mnuexit"));
    QVERIFY(!rig.window->isVisible() && !rig.port->isOpen() && !rig.window->transferRunning());
    rig.port->drainOutput();
    QTest::qWait(50);
    QCOMPARE(rig.port->written(), QByteArray("G27\r"));
}

void TestKvt31_33Window::upload_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QString>("ending"); // "" waits; or cancel, close box
    QTest::addColumn<QString>("editorText");
    QTest::addColumn<QString>("shownAfter");
    QTest::addColumn<QString>("box"); // title of the box told, if any
    using L = QList<QByteArray>;
    const QString kept = QStringLiteral("KEPT");
    QTest::newRow("program 7, END split") << L{"M31,7\rG00,100\rEN", "D"} << ""
                                          << "M31,7\r\nG00,100\r\n"
                                          << "Program Uploaded . . . "
                                          << "";
    QTest::newRow("no M31") << L{"ABC\rDEF\rEND\r"} << ""
                            << "ABC\r\nDEF\r\n"
                            << "Program Uploaded . . . "
                            << "";
    QTest::newRow("END inside a line, no CR") << L{"M31,5SEND"} << ""
                                              << "M31,5S"
                                              << "Program Uploaded . . . " << portTitle;
    QTest::newRow("silent") << L{} << "" << kept << "Upload timeout error ! "
                            << "Timeout error";
    QTest::newRow("Cancel") << L{"M31,1\rG2"} << "cancel" << kept << "Upload Aborted by user ..."
                            << "";
    QTest::newRow("close box") << L{"M31,1\rG2"} << "close box" << kept
                               << "Upload Aborted by user ..."
                               << "";
}

void TestKvt31_33Window::upload()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QString, ending);
    QFETCH(QString, editorText);
    QFETCH(QString, shownAfter);
    QFETCH(QString, box);
    Rig rig;
    rig.initialised();
    rig.window->editor().setUploadedText(QStringLiteral("KEPT"), QStringLiteral("kept"));
    rig.op.answerNext(MessageAnswer::No); // the unsaved text need not be saved
    rig.trigger(QStringLiteral("mnuupload"));
    rig.op.messages.clear();
    QPointer<MessageWindow> frmmessage = MessageWindow::instance();
    QCOMPARE(frmmessage->windowTitle(), QStringLiteral("UPLOADING SETUP"));
    QVERIFY(frmmessage->isVisible() && !rig.window->isEnabled());
    for (const QByteArray& piece : pieces)
        rig.port->receive(piece);
    if (ending == QLatin1String("cancel"))
        QTest::mouseClick(frmmessage->findChild<QPushButton*>(QStringLiteral("cmdcancel")),
                          Qt::LeftButton);
    else if (!ending.isEmpty())
        frmmessage->close();
    QTRY_VERIFY(!rig.window->transferRunning());
    QVERIFY(frmmessage.isNull() || !frmmessage->isVisible());
    QVERIFY(rig.window->isEnabled());
    QCOMPARE(rig.window->editor().text(), editorText);
    if (editorText != QLatin1String("KEPT")) {
        QCOMPARE(rig.window->editor().caption(),
                 QStringLiteral("EDITOR - Upload # %1").arg(Module1::UploadProgramNo));
        QVERIFY(!rig.window->editor().fileFlag());
    }
    QCOMPARE(rig.shown(), shownAfter);
    QCOMPARE(rig.op.messages.isEmpty() ? QString() : rig.op.messages.constLast().title, box);
    rig.port->receive("OK");
    QVERIFY(rig.shown().endsWith(QLatin1String("OK")));
}

void TestKvt31_33Window::everyControlHasAName()
{
    Rig rig;
    rig.initialised();
    rig.port->receive("READY\r\n");
    int checked = 0;
    const QStringList unnamed = test::unnamedControls(rig.window.get(), &checked);
    QVERIFY2(checked >= 6, qPrintable(QString::number(checked)));
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestKvt31_33Window)
#include "tst_kvt31_33window.moc"
