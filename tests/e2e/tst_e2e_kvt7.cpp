#include "editor/EditorController.h"
#include "kvt7/Kvt7Window.h"
#include "link/SerialLink.h"
#include "support/DeviceServer.h"
#include "support/SimWindowRig.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::slowMachineMs;
using Rig = kvt::test::SimWindowRig<Kvt7Window>;

// The real serial port implementation against kvtsim on a pseudo-terminal.
class TestE2eKvt7 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandsAndTransfersReachTheController();
    void vanishingDeviceIsReportedOnceAndReopened();
    void deviceServerDropIsToldAndReconnected();
};

void TestE2eKvt7::commandsAndTransfersReachTheController()
{
    // The listing comes in pieces; the stored line 3 (G10,-25) comes back as G10,-26, so the
    // editor shows what the controller holds, not what was typed. Manual moves, the monitor
    // and verify are the window suite's; here the real port carries a download and an upload.
    Rig rig(QStringLiteral("kvt7"), {"--listing-pause", "20", "--corrupt-line", "3"});
    QVERIFY2(rig.ready(), qPrintable(rig.whyNotReady()));
    const auto& window = rig.window;
    const auto& sim = *rig.sim;
    auto& op = rig.op;
    QCOMPARE(op.messages.size(), 1); // only the COM1 question: the port opened
    const auto finished = [&] {
        return QTest::qWaitFor([&] { return !window->transferRunning(); }, slowMachineMs);
    };
    window->activateEditor();
    rig.find<QPlainTextEdit>("txteditor")
        ->setPlainText(
            QStringLiteral("m31,2\r\nG00,+100  to the start\r\n\r\nG10,-25\r\nM21+\r\nm30\r\n"));
    rig.find<QAction>("mnudownload")->trigger();
    QVERIFY(finished());
    QCOMPARE(sim.receivedBytes(), QByteArray("M31,2\rG00,+100\rG10,-25\rM21+\rM30\r"));
    QCOMPARE(op.beeps, 1);
    op.answerNext(MessageAnswer::No); // the typed program need not be saved first
    rig.find<QAction>("mnuuploadprog_2")->trigger();
    QVERIFY(finished());
    QCOMPARE(window->editor().text(),
             QStringLiteral("M31,2\r\nG00,+100\r\nG10,-26\r\nM21+\r\nM30\r\n"));
    QCOMPARE(rig.find<QGroupBox>("fraeditor")->title(), QStringLiteral("EDITOR - Upload #2"));
    QCOMPARE(op.beeps, 2);
    QCOMPARE(op.messages.size(), 2); // the COM1 question and the save question
}

void TestE2eKvt7::vanishingDeviceIsReportedOnceAndReopened()
{
    // A fixed name for the device, as a udev rule gives a USB adapter.
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("com1"));
    Timings timings;
    timings.deviceWatch = 50ms;
    Rig rig(QStringLiteral("kvt7"), {"--no-banner", "--link", device}, timings);
    QVERIFY2(rig.ready(), qPrintable(rig.whyNotReady()));
    const auto& window = rig.window;
    auto& sim = rig.sim;
    auto& op = rig.op;
    window->activateOnline();
    QVERIFY(window->port().isOpen());
    auto* online = rig.find<QLineEdit>("txtonline");
    online->setText(QStringLiteral("g00,+100000"));
    QTest::keyClick(online, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!sim->receivedBytes().isEmpty(), slowMachineMs);

    sim.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!window->port().isOpen(), slowMachineMs);
    QTest::qWait(200); // a storm of read errors would show more boxes
    QCOMPARE(op.messages.size(), 2);
    // What happened, never the system's stale last error.
    QVERIFY2(op.messages.at(1).text.startsWith(
                 QStringLiteral("The device on COM1 (%1) went away.").arg(device)),
             qPrintable(op.messages.at(1).text));
    QVERIFY(!window->link().isSending());
    // Told in one place: the box stays open while the device is away.
    auto* portState = rig.find<QLabel>("lblport");
    QCOMPARE(portState->text(), "COM1 " + device + ": lost, waiting for it to come back");
    QCOMPARE(op.openNotices, 1);

    // Back on the same name: open again with the same settings, nothing resent.
    rig.restartSim();
    QVERIFY(sim->waitForHost() && window->port().isOpen());
    QVERIFY(sim->receivedBytes().isEmpty());
    QCOMPARE(portState->text(), "COM1 " + device + ": back and open again, 9600,N,8,1");
    QCOMPARE(op.openNotices, 0);
    online->setText(QStringLiteral("pos"));
    QTest::keyClick(online, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(
        rig.find<QLabel>("lblresponse")->text().contains(QStringLiteral("POS=")), slowMachineMs);
    QCOMPARE(op.messages.size(), 2);
}

// Through ser2net, a real serial device server, on loopback.
void TestE2eKvt7::deviceServerDropIsToldAndReconnected()
{
    kvt::test::SimProcess sim({"--model", "kvt7", "--no-banner"});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    kvt::test::DeviceServer server(sim.device());
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    kvt::test::ScriptedOperator op;
    Timings timings;
    timings.deviceWatch = 50ms;
    const auto window = kvt::test::openWindowOn(QStringLiteral("kvt7"), server.url(), op, timings);
    QVERIFY(sim.waitForHost());
    auto* portLabel = window->findChild<QLabel*>(QStringLiteral("lblport"));
    QCOMPARE(portLabel->text(), "COM1 " + server.url() + ": open, 9600,N,8,1");
    window->findChild<QAction*>(QStringLiteral("mnutraffic"))->trigger();
    QCOMPARE(window->findChild<QWidget*>(QStringLiteral("frmtraffic"))->windowTitle(),
             "Traffic Log - COM1 " + server.url());

    auto* kvt7 = static_cast<Kvt7Window*>(window.get());
    kvt7->activateEditor();
    QString text = QStringLiteral("M31,2\r\n");
    for (int i = 0; i < 60; ++i)
        text += QStringLiteral("G00,+%1\r\n").arg(1000 + i);
    window->findChild<QPlainTextEdit*>(QStringLiteral("txteditor"))->setPlainText(text);
    window->findChild<QAction*>(QStringLiteral("mnudownload"))->trigger();
    QVERIFY(QTest::qWaitFor([&] { return sim.receivedBytes().contains("G00,+1001\r"); },
                            slowMachineMs));
    server.stop();
    QVERIFY(QTest::qWaitFor([&] { return !window->transferRunning(); }, slowMachineMs));
    QVERIFY2(op.messages.size() >= 2, "no failure box");
    QVERIFY2(op.messages.last().text.contains("closed the connection"),
             qPrintable(op.messages.last().text));

    const QByteArray cut = sim.receivedBytes();
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(sim.waitForHost());
    QTRY_COMPARE_WITH_TIMEOUT(portLabel->text(),
                              "COM1 " + server.url() + ": back and open again, 9600,N,8,1",
                              slowMachineMs);
    QCOMPARE(sim.receivedBytes(), cut); // the cut transfer stays stopped
}

QTEST_MAIN(TestE2eKvt7)
#include "tst_e2e_kvt7.moc"
