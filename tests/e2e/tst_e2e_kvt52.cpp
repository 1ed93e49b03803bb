#include "SimProcess.h"
#include "editor/EditorController.h"
#include "family/ModelCatalogue.h"
#include "frontend/DifferenceWindow.h"
#include "kvt52/Kvt52Window.h"
#include "link/QtSerialPort.h"
#include "link/TrafficLog.h"
#include "support/ScriptedOperator.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>

using namespace kvt;
using kvt::test::ScriptedOperator;
using kvt::test::SimProcess;

namespace {

// A four-model window on the real serial port, COM1 being kvtsim's pty, its
// communication setup confirmed as it comes up.
struct Session {
    Session(const QString& model, const QStringList& simSwitches = {})
        : sim(QStringList{QStringLiteral("--model"), model} + simSwitches)
    {
        PortMap ports;
        ports.setDevice(1, sim.device());
        window = std::make_unique<Kvt52Window>(*ModelCatalogue::named(model), op,
                                               std::make_unique<QtSerialPort>(ports));
        window->initialise();
        window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    }
    bool run(const char* item)
    {
        window->findChild<QAction*>(QLatin1String(item))->trigger();
        return QTest::qWaitFor([this] { return !window->transferRunning(); }, 10000);
    }
    QString shown() const
    {
        return window->findChild<QLabel*>(QStringLiteral("lblresponse"))->text();
    }

    SimProcess sim;
    ScriptedOperator op;
    std::unique_ptr<Kvt52Window> window;
};

} // namespace

class TestE2eKvt52 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyBlockComesBackUnchanged();
    void verifyShowsALineStoredOtherwise();
};

// The four models share every line of the window but their name (which
// tst_app opens each by); PX54's blocks come back in the verify test below.
void TestE2eKvt52::everyBlockComesBackUnchanged()
{
    // The controller answers every line at once, inside the quiet period.
    Session s(QStringLiteral("kvt52"), {QStringLiteral("--echo-lines")});
    QVERIFY2(s.sim.started(), qPrintable(s.sim.errorText()));
    QVERIFY(s.window->port().isOpen());
    const char* items[][2] = {
        {"mnudlprg", "mnuulprg"}, {"mnudlposdata", "mnuulposdata"}, {"mnudlpar", "mnuulpar"}};
    for (int kind = 0; kind < 3; ++kind) {
        const QString block =
            QStringLiteral("M31,%1\r\nP%1,+1000 first\r\nP%1,-20\r\nM30\r\n").arg(kind + 2);
        s.window->editor().setUploadedText(block.toLower(), {});
        s.op.answerNext(MessageAnswer::Yes);
        QVERIFY(s.run(items[kind][0]));
        QCOMPARE(s.shown(), QStringLiteral("Download  Completed.        "));
        // The answer to END has come before the read-back asks; with no
        // transfer waiting for it, the window only notes it.
        QTRY_VERIFY(s.window->trafficLog().entries().back().direction ==
                    TrafficLog::Direction::Note);
        QVERIFY(s.run("mnuverify"));
        QCOMPARE(s.op.messages.constLast().text,
                 QStringLiteral("The controller holds the same 4 lines."));
        s.window->editor().setUploadedText(QStringLiteral("other"), {});
        s.op.answerNext(MessageAnswer::No); // need not be saved
        QVERIFY(s.run(items[kind][1]));
        QCOMPARE(s.shown(), QStringLiteral("Program Uploaded . . . "));
        QCOMPARE(s.window->editor().text(), QString(block).remove(QStringLiteral(" first")));
        QCOMPARE(s.window->editor().caption(),
                 QStringLiteral("EDITOR - Upload # %1").arg(kind + 2));
    }
    // The traffic log holds the whole exchange byte for byte, in order.
    QByteArray sent, received;
    QSet<QString> sources;
    qint64 time = 0;
    for (const TrafficLog::Entry& entry : s.window->trafficLog().entries()) {
        QVERIFY(entry.ms >= time);
        time = entry.ms;
        if (entry.direction != TrafficLog::Direction::Note)
            (entry.direction == TrafficLog::Direction::Sent ? sent : received) += entry.bytes;
        sources << entry.source;
    }
    QCOMPARE(sent, s.sim.receivedBytes());
    QVERIFY(received.contains("M31,4\rP4,+1000\rP4,-20\rM30\rEND\r"));
    // "link": the answers nobody waited for, noted rather than kept.
    QCOMPARE(sources, (QSet<QString>{"download", "upload", "received", "link"}));
}

void TestE2eKvt52::verifyShowsALineStoredOtherwise()
{
    Session s(QStringLiteral("px54"), {QStringLiteral("--corrupt-line"), QStringLiteral("2")});
    QVERIFY2(s.sim.started(), qPrintable(s.sim.errorText()));
    s.window->editor().setUploadedText(QStringLiteral("M31,2\r\nG00,+100 out\r\nM30\r\n"), {});
    s.op.answerNext(MessageAnswer::Yes);
    QVERIFY(s.run("mnudlposdata") && s.run("mnuverify"));
    QVERIFY(s.sim.receivedBytes().endsWith("END\rS04\r"));
    QCOMPARE(s.window->findChild<QLabel*>(QStringLiteral("lblstatus"))->text(),
             QStringLiteral("Verify: line 2 differs (1 difference)"));
    QCOMPARE(s.window->findChild<DifferenceWindow*>()->currentRow(), 1);
}

QTEST_MAIN(TestE2eKvt52)
#include "tst_e2e_kvt52.moc"
