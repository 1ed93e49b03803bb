#include "SimProcess.h"
#include "editor/EditorController.h"
#include "frontend/DifferenceWindow.h"
#include "kvt7/Kvt7Window.h"
#include "link/QtSerialPort.h"
#include "link/SerialLink.h"
#include "support/ScriptedOperator.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::ScriptedOperator;
using kvt::test::SimProcess;

namespace {

// A KVT7 window on the real serial port, COM1 being kvtsim's pty.
std::unique_ptr<Kvt7Window> openOn(const QString& device, ScriptedOperator& op,
                                   const Timings& timings = {})
{
    PortMap ports;
    ports.setDevice(1, device);
    auto window = std::make_unique<Kvt7Window>(op, std::make_unique<QtSerialPort>(ports), timings);
    window->initialise();
    return window;
}

} // namespace

// The real serial port implementation against kvtsim on a pseudo-terminal.
class TestE2eKvt7 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void manualAndMonitorCommandsReachTheController();
    void missingDeviceIsReportedWithItsName();
    void vanishingDeviceIsReportedOnceAndReopened();
    void downloadThenUploadComesBackTheSame();
    void verifyShowsALineStoredOtherwise();
};

void TestE2eKvt7::manualAndMonitorCommandsReachTheController()
{
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("kvt7")});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    ScriptedOperator op;
    auto owned = openOn(sim.device(), op);
    Kvt7Window& window = *owned;
    QCOMPARE(op.messages.size(), 1); // only the COM1 question: the port opened
    auto* response = window.findChild<QLabel*>(QStringLiteral("lblresponse"));
    // A manual move and the monitor's query queued behind it; the online line
    // goes through the port in the test of a vanishing device.
    window.manen();
    window.findChild<QScrollBar*>(QStringLiteral("hscg00"))->setValue(2000);
    window.findChild<QPushButton*>(QStringLiteral("cmdman_0"))->click();
    window.monien();
    window.findChild<QPushButton*>(QStringLiteral("cmdmoni_1"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(response->text().contains(QStringLiteral("POS=+0002000")), 10000);
    QCOMPARE(sim.receivedBytes(), QByteArray("G00,+2000\rPOS\r"));
    QVERIFY(!window.link().findChild<QTimer*>(QStringLiteral("tmrwatchdog"))->isActive());
    QCOMPARE(op.messages.size(), 1);
}

void TestE2eKvt7::missingDeviceIsReportedWithItsName()
{
    PortMap ports;
    ports.setDevice(2, QStringLiteral("/dev/kvt-no-such-port"));
    ScriptedOperator op;
    op.answerNext(MessageAnswer::No);
    Kvt7Window window(op, std::make_unique<QtSerialPort>(ports));
    window.initialise();
    window.onlineen();
    QCOMPARE(op.messages.size(), 4); // the last offers the Ports dialog
    const Message& failure = op.messages.at(2);
    QVERIFY2(failure.text.startsWith(QStringLiteral("Cannot open /dev/kvt-no-such-port: ")),
             qPrintable(failure.text));
    QCOMPARE(failure.icon, MessageIcon::Exclamation);
    QVERIFY(!window.port().isOpen());
}

void TestE2eKvt7::vanishingDeviceIsReportedOnceAndReopened()
{
    // A fixed name for the device, as a udev rule gives a USB adapter.
    QTemporaryDir dir;
    const QStringList switches{QStringLiteral("--no-banner"), QStringLiteral("--link"),
                               dir.filePath(QStringLiteral("com1"))};
    auto sim = std::make_unique<SimProcess>(switches);
    QVERIFY2(sim->started(), qPrintable(sim->errorText()));
    ScriptedOperator op;
    Timings timings;
    timings.deviceWatch = 50ms;
    auto owned = openOn(switches.constLast(), op, timings);
    Kvt7Window& window = *owned;
    window.onlineen();
    QVERIFY(window.port().isOpen());
    auto* online = window.findChild<QLineEdit*>(QStringLiteral("txtonline"));
    online->setText(QStringLiteral("g00,+100000"));
    QTest::keyClick(online, Qt::Key_Return);
    QTRY_VERIFY(!sim->receivedBytes().isEmpty());

    sim.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!window.port().isOpen(), 10000);
    QTest::qWait(200); // a storm of read errors would show more boxes
    QCOMPARE(op.messages.size(), 2);
    // What happened, never the system's stale last error.
    QVERIFY2(op.messages.at(1).text.startsWith(
                 QStringLiteral("The device on COM1 (%1) went away.").arg(switches.constLast())),
             qPrintable(op.messages.at(1).text));
    QVERIFY(!window.link().isSending());

    // Back on the same name: open again with the same settings, nothing resent.
    sim = std::make_unique<SimProcess>(switches);
    QTRY_VERIFY_WITH_TIMEOUT(window.port().isOpen(), 10000);
    QVERIFY(sim->receivedBytes().isEmpty());
    online->setText(QStringLiteral("pos"));
    QTest::keyClick(online, Qt::Key_Return);
    QTRY_VERIFY(window.findChild<QLabel*>(QStringLiteral("lblresponse"))
                    ->text()
                    .contains(QStringLiteral("POS=")));
    QCOMPARE(op.messages.size(), 2);
}

void TestE2eKvt7::downloadThenUploadComesBackTheSame()
{
    SimProcess sim(
        {QStringLiteral("--no-banner"), QStringLiteral("--listing-pause"), QStringLiteral("20")});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    ScriptedOperator op;
    auto owned = openOn(sim.device(), op);
    Kvt7Window& window = *owned;
    window.editen();
    const QString program =
        QStringLiteral("m31,2\r\nG00,+100  to the start\r\n\r\nG10,-25\r\nM21+\r\nm30\r\n");
    window.findChild<QPlainTextEdit*>(QStringLiteral("txteditor"))->setPlainText(program);
    window.findChild<QAction*>(QStringLiteral("mnudownload"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.transferRunning(), 15000);
    QCOMPARE(sim.receivedBytes(), QByteArray("M31,2\rG00,+100\rG10,-25\rM21+\rM30\r"));
    QCOMPARE(op.beeps, 1);
    window.findChild<QAction*>(QStringLiteral("mnuverify"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.transferRunning(), 15000);
    QCOMPARE(op.messages.constLast().text,
             QStringLiteral("The controller holds the same 5 lines."));

    op.answerNext(MessageAnswer::No); // the typed program need not be saved first
    window.findChild<QAction*>(QStringLiteral("mnuuploadprog_2"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!window.transferRunning(), 15000);
    QCOMPARE(window.editor().text(),
             QStringLiteral("M31,2\r\nG00,+100\r\nG10,-25\r\nM21+\r\nM30\r\n"));
    QCOMPARE(window.findChild<QGroupBox*>(QStringLiteral("fraeditor"))->title(),
             QStringLiteral("EDITOR - Upload #2"));
    QCOMPARE(op.beeps, 2);
    QCOMPARE(op.messages.size(), 3); // the COM1 question, Verify's and the save question
}

void TestE2eKvt7::verifyShowsALineStoredOtherwise()
{
    SimProcess sim(
        {QStringLiteral("--no-banner"), QStringLiteral("--corrupt-line"), QStringLiteral("3")});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    ScriptedOperator op;
    auto window = openOn(sim.device(), op);
    window->editen();
    window->findChild<QPlainTextEdit*>(QStringLiteral("txteditor"))
        ->setPlainText(QStringLiteral("M31,1\r\nG00,+100\r\n\r\nG10,-25 back\r\nM30\r\n"));
    for (const char* item : {"mnudownload", "mnuverify"}) {
        window->findChild<QAction*>(QLatin1String(item))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!window->transferRunning(), 15000);
    }
    QVERIFY(sim.receivedBytes().endsWith("M30\rDP1\r"));
    QCOMPARE(window->findChild<QLabel*>(QStringLiteral("lblstatus"))->text(),
             QStringLiteral("Verify: line 4 differs (1 difference)"));
    auto* shown = window->findChild<DifferenceWindow*>();
    QVERIFY(shown && shown->currentRow() == 2);
}

QTEST_MAIN(TestE2eKvt7)
#include "tst_e2e_kvt7.moc"
