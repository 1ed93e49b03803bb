#include "editor/EditorController.h"
#include "family/ModelCatalogue.h"
#include "kvt52/Kvt52Window.h"
#include "link/TrafficLog.h"
#include "support/SimWindowRig.h"

#include <QAction>
#include <QLabel>
#include <QSet>
#include <QTest>

using namespace kvt;

namespace {

// A four-model window on kvtsim, with its menu items run to the end.
struct Session : kvt::test::SimWindowRig<Kvt52Window> {
    using SimWindowRig::SimWindowRig;
    bool run(const char* item)
    {
        find<QAction>(item)->trigger();
        return QTest::qWaitFor([this] { return !window->transferRunning(); },
                               kvt::test::slowMachineMs);
    }
    QString shown() const { return find<QLabel>("lblresponse")->text(); }
};

} // namespace

class TestE2eKvt52 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyBlockComesBackUnchanged();
};

// The four models share every line of the window but their name (which
// tst_app opens each by); a line read back otherwise is the KVT7 window's test,
// whose verify shows its differences the same way.
void TestE2eKvt52::everyBlockComesBackUnchanged()
{
    // The controller answers every line at once, inside the quiet period.
    Session s(QStringLiteral("kvt52"), {QStringLiteral("--echo-lines")});
    QVERIFY2(s.ready(), qPrintable(s.whyNotReady()));
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
        QTRY_VERIFY_WITH_TIMEOUT(s.window->trafficLog().entries().back().direction ==
                                     TrafficLog::Direction::Note,
                                 kvt::test::slowMachineMs);
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
    QCOMPARE(sent, s.sim->receivedBytes());
    QVERIFY(received.contains("M31,4\rP4,+1000\rP4,-20\rM30\rEND\r"));
    // "link": the answers nobody waited for, noted rather than kept.
    QCOMPARE(sources, (QSet<QString>{"download", "upload", "received", "link"}));
}

QTEST_MAIN(TestE2eKvt52)
#include "tst_e2e_kvt52.moc"
