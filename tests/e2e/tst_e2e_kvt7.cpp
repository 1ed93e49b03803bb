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

template <class T> T* child(const QObject& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

} // namespace

// The real serial port implementation against kvtsim on a pseudo-terminal.
class TestE2eKvt7 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandsAndTransfersReachTheController();
    void vanishingDeviceIsReportedOnceAndReopened();
};

void TestE2eKvt7::commandsAndTransfersReachTheController()
{
    // The listing comes in pieces; the stored line 3 (G10,-25) comes back as G10,-26.
    SimProcess sim({"--model", "kvt7", "--listing-pause", "20", "--corrupt-line", "3"});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    ScriptedOperator op;
    const auto window = openOn(sim.device(), op);
    QCOMPARE(op.messages.size(), 1); // only the COM1 question: the port opened
    const auto finished = [&] {
        return QTest::qWaitFor([&] { return !window->transferRunning(); }, 15000);
    };
    // A manual move and the monitor's query queued behind it; the online line
    // goes through the port in the test of a vanishing device.
    window->activateManual();
    child<QScrollBar>(*window, "hscg00")->setValue(2000);
    child<QPushButton>(*window, "cmdman_0")->click();
    window->activateMonitor();
    child<QPushButton>(*window, "cmdmoni_1")->click();
    auto* response = child<QLabel>(*window, "lblresponse");
    QTRY_VERIFY_WITH_TIMEOUT(response->text().contains(QStringLiteral("POS=+0002000")), 10000);
    QCOMPARE(sim.receivedBytes(), QByteArray("G00,+2000\rPOS\r"));
    QVERIFY(!window->link().findChild<QTimer*>(QStringLiteral("tmrwatchdog"))->isActive());

    window->activateEditor();
    child<QPlainTextEdit>(*window, "txteditor")
        ->setPlainText(
            QStringLiteral("m31,2\r\nG00,+100  to the start\r\n\r\nG10,-25\r\nM21+\r\nm30\r\n"));
    child<QAction>(*window, "mnudownload")->trigger();
    QVERIFY(finished());
    QCOMPARE(sim.receivedBytes(),
             QByteArray("G00,+2000\rPOS\rM31,2\rG00,+100\rG10,-25\rM21+\rM30\r"));
    QCOMPARE(op.beeps, 1);
    child<QAction>(*window, "mnuverify")->trigger();
    QVERIFY(finished());
    QVERIFY(sim.receivedBytes().endsWith("M30\rDP2\r"));
    QCOMPARE(child<QLabel>(*window, "lblstatus")->text(),
             QStringLiteral("Verify: line 4 differs (1 difference)"));
    auto* shown = window->findChild<DifferenceWindow*>();
    QVERIFY(shown && shown->currentRow() == 2);

    op.answerNext(MessageAnswer::No); // the typed program need not be saved first
    child<QAction>(*window, "mnuuploadprog_2")->trigger();
    QVERIFY(finished());
    QCOMPARE(window->editor().text(),
             QStringLiteral("M31,2\r\nG00,+100\r\nG10,-26\r\nM21+\r\nM30\r\n"));
    QCOMPARE(child<QGroupBox>(*window, "fraeditor")->title(), QStringLiteral("EDITOR - Upload #2"));
    QCOMPARE(op.beeps, 2);
    QCOMPARE(op.messages.size(), 2); // the COM1 question and the save question
}

void TestE2eKvt7::vanishingDeviceIsReportedOnceAndReopened()
{
    // A fixed name for the device, as a udev rule gives a USB adapter.
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("com1"));
    const QStringList switches{QStringLiteral("--no-banner"), QStringLiteral("--link"), device};
    auto sim = std::make_unique<SimProcess>(switches);
    QVERIFY2(sim->started(), qPrintable(sim->errorText()));
    ScriptedOperator op;
    Timings timings;
    timings.deviceWatch = 50ms;
    const auto window = openOn(device, op, timings);
    window->activateOnline();
    QVERIFY(window->port().isOpen());
    auto* online = child<QLineEdit>(*window, "txtonline");
    online->setText(QStringLiteral("g00,+100000"));
    QTest::keyClick(online, Qt::Key_Return);
    QTRY_VERIFY(!sim->receivedBytes().isEmpty());

    sim.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!window->port().isOpen(), 10000);
    QTest::qWait(200); // a storm of read errors would show more boxes
    QCOMPARE(op.messages.size(), 2);
    // What happened, never the system's stale last error.
    QVERIFY2(op.messages.at(1).text.startsWith(
                 QStringLiteral("The device on COM1 (%1) went away.").arg(device)),
             qPrintable(op.messages.at(1).text));
    QVERIFY(!window->link().isSending());

    // Back on the same name: open again with the same settings, nothing resent.
    sim = std::make_unique<SimProcess>(switches);
    QTRY_VERIFY_WITH_TIMEOUT(window->port().isOpen(), 10000);
    QVERIFY(sim->receivedBytes().isEmpty());
    online->setText(QStringLiteral("pos"));
    QTest::keyClick(online, Qt::Key_Return);
    QTRY_VERIFY(child<QLabel>(*window, "lblresponse")->text().contains(QStringLiteral("POS=")));
    QCOMPARE(op.messages.size(), 2);
}

QTEST_MAIN(TestE2eKvt7)
#include "tst_e2e_kvt7.moc"
