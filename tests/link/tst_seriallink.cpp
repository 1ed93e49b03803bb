#include "link/LineWait.h"
#include "link/SerialLink.h"
#include "link/TrafficLog.h"
#include "support/LinkRig.h"

#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace kvt;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(kvt::LinkProfile)

using Rig = kvt::test::LinkRig;

class TestSerialLink : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void sending_data()
    {
        QTest::addColumn<LinkProfile>("profile");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<bool>("answered"); // the controller answers at every pacing tick
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<bool>("watchdogAfter");
        const auto row = [](const char* name, const LinkProfile& profile,
                            const QStringList& commands, const char* wire, bool watchdogAfter,
                            bool answered = false) {
            QTest::newRow(name) << profile << commands << answered << QByteArray(wire)
                                << watchdogAfter;
        };
        // KVT7: the watchdog waits for the reply after the command went out.
        row("kvt7 empty", LinkProfile::kvt7(), {""}, "\r", true);
        row("kvt7 queued, blanks as typed", LinkProfile::kvt7(), {" A ", "CD"}, " A \rCD\r", true);
        row("kvt7 answered", LinkProfile::kvt7(), {"G00,1000"}, "G00,1000\r", false, true);
        // KVT31/33: armed, but every pacing tick switches it off again.
        row("keypad", LinkProfile::kvt31_33(), {"END"}, "END\r", false);
        // Four models: back to back, and only the transfers arm the watchdog.
        row("four-model", LinkProfile::kvt52(), {"END"}, "END\r", false);
    }

    // Each character is a write of its own and, where the line is paced, waits
    // for a pacing tick of its own, the first one of a queued command included.
    // Replies while a command goes out neither stall it nor keep the watchdog on.
    void sending()
    {
        QFETCH(LinkProfile, profile);
        QFETCH(QStringList, commands);
        QFETCH(bool, answered);
        QFETCH(QByteArray, wire);
        Rig rig(profile, 5ms);
        QSignalSpy received(&rig.link, &SerialLink::received);
        QList<qsizetype> writesAtTick;
        connect(rig.pacingTimer(), &QTimer::timeout, &rig.link, [&] {
            writesAtTick << rig.port.writes.size();
            if (answered)
                rig.port.receive("?");
        });
        std::optional<SendResult> last;
        for (const QString& command : commands)
            rig.link.sendData(command, [&](SendResult r) { last = r; });
        QCOMPARE(rig.watchdogActive(), profile.sendArmsWatchdog);
        QTRY_COMPARE(last, SendResult::Sent);
        QTRY_VERIFY(!rig.pacingTimer()->isActive());
        QCOMPARE(rig.port.written(), wire);
        QCOMPARE(rig.port.writes.size(), wire.size());
        for (qsizetype i = 1; i < writesAtTick.size(); ++i)
            QVERIFY2(writesAtTick[i] - writesAtTick[i - 1] <= 1, qPrintable(QString::number(i)));
        QVERIFY(!answered || received.count() >= 8);
        QTEST(rig.watchdogActive(), "watchdogAfter");
        // A transfer arms it by hand, and no tick of the finished send switches it off.
        rig.link.armWatchdog(5s);
        QVERIFY(rig.watchdogActive());
    }

    void watchdogExpiryCutsOnlyTheCommandInFlight()
    {
        Timings t = Rig::timings(5ms);
        t.watchdog = 60ms;
        Rig rig(LinkProfile::kvt7(), t);
        rig.port.holdOutput(1); // a drain wait would never end
        QSignalSpy expired(&rig.link, &SerialLink::watchdogExpired);
        const QByteArray longCommand(200, 'X');
        std::optional<SendResult> first, queued;
        QByteArray sentByFirst;
        rig.link.sendData(QString::fromLatin1(longCommand), [&](SendResult r) {
            first = r;
            sentByFirst = rig.port.written();
        });
        rig.link.sendData(QStringLiteral("POS"), [&](SendResult r) { queued = r; });
        QTRY_COMPARE(first, SendResult::Aborted);
        QCOMPARE(expired.count(), 1);
        QVERIFY2(sentByFirst.size() < longCommand.size(), "the rest must stay unsent");
        QVERIFY(longCommand.startsWith(sentByFirst));
        // The command behind it goes out whole, with a watchdog of its own.
        QTRY_COMPARE(rig.port.written(), sentByFirst + "POS\r");
        QVERIFY(rig.watchdogActive());
        rig.port.drainOutput();
        QTRY_COMPARE(queued, SendResult::Sent);
    }

    void watchdogReadsWhatIsWaitingFirst()
    {
        // As after Ctrl+Z and fg: the reply is in, its event not yet handled.
        const QByteArray waiting = "OK\r\n>";
        Rig rig(LinkProfile::kvt7());
        rig.port.setReceiveThreshold(0); // input arrives without its event
        QSignalSpy expired(&rig.link, &SerialLink::watchdogExpired);
        QSignalSpy received(&rig.link, &SerialLink::received);
        rig.link.armWatchdog(30ms);
        rig.port.receive(waiting);
        QVERIFY(QTest::qWaitFor([&] { return !rig.watchdogActive(); }, 5000));
        QCOMPARE(expired.count(), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toByteArray(), waiting);
    }

    void queueKeepsOrderAndSequencesKeepTheirPauses()
    {
        Rig rig(LinkProfile::kvt7());
        QList<QString> finished;
        rig.link.sendSequence({{QStringLiteral("PROF"), 40ms}, {QStringLiteral("500"), 0ms}},
                              [&](SendResult) { finished << "sequence"; });
        // A button pressed the moment the first line is out must wait for the
        // whole sequence; so must a command sent from a finished command's callback.
        connect(
            &rig.link, &SerialLink::sendFinished, &rig.link,
            [&] {
                rig.link.sendData(QStringLiteral("G27"), [&](SendResult) { finished << "G27"; });
            },
            Qt::SingleShotConnection);
        rig.link.sendData(QStringLiteral("POS"), [&](SendResult) {
            finished << "POS";
            rig.link.sendData(QStringLiteral("DSP"));
        });
        QTRY_COMPARE(rig.port.written(), QByteArray("PROF\r500\rPOS\rG27\rDSP\r"));
        QCOMPARE(finished, (QList<QString>{"sequence", "POS", "G27"}));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<SendResult>("first");
        QTest::addColumn<SendResult>("queued");
        QTest::newRow("write fails midway")
            << "midway" << QByteArray("G0") << SendResult::WriteFailed << SendResult::WriteFailed;
        QTest::newRow("device lost")
            << "lost" << QByteArray("G0") << SendResult::LinkLost << SendResult::Discarded;
        // The transfer's own end: the queued command goes with it.
        QTest::newRow("cancelled")
            << "cancel" << QByteArray("G") << SendResult::Cancelled << SendResult::Cancelled;
        QTest::newRow("window closing")
            << "shutdown" << QByteArray("G") << SendResult::Discarded << SendResult::Discarded;
    }

    void failures()
    {
        QFETCH(QString, failure);
        QFETCH(SendResult, first);
        QFETCH(SendResult, queued);
        Rig rig(LinkProfile::kvt7());
        QSignalSpy writeFailed(&rig.link, &SerialLink::writeFailed);
        QSignalSpy lost(&rig.link, &SerialLink::linkLost);
        if (failure == "midway")
            rig.port.failWritesAfter(2, QStringLiteral("Input/output error"));
        QList<SendResult> results;
        rig.link.sendData(QStringLiteral("G00"), [&](SendResult r) { results << r; });
        rig.link.sendData(QStringLiteral("POS"), [&](SendResult r) { results << r; });
        if (failure == "lost")
            connect(rig.pacingTimer(), &QTimer::timeout, &rig.link, [&] {
                if (rig.port.writes.size() == 2)
                    rig.port.loseLink(QStringLiteral("gone"));
            });
        if (failure == "cancel")
            rig.link.cancel();
        if (failure == "shutdown")
            rig.link.shutDown();
        QTRY_COMPARE(results.size(), 2);
        QCOMPARE(results, (QList<SendResult>{first, queued}));
        QTRY_VERIFY(!rig.pacingTimer()->isActive());
        QTEST(rig.port.written(), "written");
        QCOMPARE(writeFailed.isEmpty(), first != SendResult::WriteFailed);
        QCOMPARE(lost.count(), failure == "lost" ? 1 : 0);
        QVERIFY(!rig.watchdogActive() || first == SendResult::WriteFailed || failure == "cancel");
    }

    void unsendableTextIsRefusedWhole()
    {
        Rig rig(LinkProfile::kvt7());
        QSignalSpy failed(&rig.link, &SerialLink::writeFailed);
        QCOMPARE(rig.sendAndWait(QStringLiteral("G\u03a9")), SendResult::WriteFailed);
        std::optional<SendResult> sequence;
        rig.link.sendSequence({{QStringLiteral("PROF"), 0ms}, {QStringLiteral("5\u03a9"), 0ms}},
                              [&](SendResult r) { sequence = r; });
        QCOMPARE(sequence, SendResult::WriteFailed);
        QCOMPARE(failed.count(), 2);
        QVERIFY(failed.at(0).at(0).toString().contains(QStringLiteral("\u03a9")));
        QVERIFY(rig.waitIdle());
        QVERIFY(rig.port.writes.isEmpty());
        // The line's code page is the files': the euro sign is byte 0x80.
        QCOMPARE(rig.sendAndWait(QStringLiteral("\u20ac")), SendResult::Sent);
        QCOMPARE(rig.port.written(), QByteArray("\x80\r"));
    }

    void eventsReachTheWindow()
    {
        // Which code is which is a table of its own; here, what each kind does.
        Rig rig(LinkProfile::kvt7());
        QSignalSpy lineErrors(&rig.link, &SerialLink::lineError);
        QSignalSpy unknowns(&rig.link, &SerialLink::unknownEvent);
        QSignalSpy receives(&rig.link, &SerialLink::received);
        for (const int code : {CommEvent::Receive, CommEvent::CtsChange}) {
            rig.link.armWatchdog(5s);
            code == CommEvent::Receive ? rig.port.receive(">") : rig.port.raiseEvent(code);
            QVERIFY(!rig.watchdogActive());
        }
        rig.link.armWatchdog(5s);
        for (const int code : {CommEvent::DsrChange, CommEvent::Break, 1009})
            rig.port.raiseEvent(code);
        QVERIFY(rig.watchdogActive());
        QCOMPARE(receives.count(), 1);
        QCOMPARE(lineErrors.count(), 1);
        QCOMPARE(lineErrors.at(0).at(0).toString(), QStringLiteral("Break Received ! "));
        QCOMPARE(unknowns.count(), 1);
    }

    void lineWaits()
    {
        // Quiet (four-model download): data restarts the pause, it ends once the line
        // is quiet; NoData (upload limits): the first data ends it; Fixed (KVT31/33
        // pause): a reply neither ends nor stalls it.
        for (const auto kind :
             {LineWait::Kind::Quiet, LineWait::Kind::NoData, LineWait::Kind::Fixed}) {
            const bool endsAtData = kind == LineWait::Kind::NoData;
            Rig rig(LinkProfile::kvt52());
            LineWait wait(rig.link, kind);
            QSignalSpy ended(&wait, &LineWait::ended);
            wait.start(60ms);
            rig.port.receive("OK");
            QCOMPARE(ended.count(), endsAtData ? 1 : 0);
            QCOMPARE(wait.isRunning(), !endsAtData);
            QVERIFY(endsAtData || ended.wait(2000));
            QCOMPARE(ended.at(0).at(0).toBool(), endsAtData);
            // Data after the end is no business of the wait.
            rig.port.receive("OK");
            QCOMPARE(ended.count(), 1);
        }
    }

    void inputNobodyUsesIsDropped()
    {
        // Handed on to a running line wait, the two bursts share the log's entry.
        for (const bool waitRunning : {false, true}) {
            Rig rig(LinkProfile::kvt52());
            rig.port.setInputLength(2);
            rig.port.setReceiveThreshold(2);
            TrafficLog log;
            rig.link.setTrafficLog(&log);
            rig.link.setInputWanted([] { return false; }); // no transfer runs
            LineWait wait(rig.link, LineWait::Kind::Fixed);
            if (waitRunning)
                wait.start(5s);
            QSignalSpy receives(&rig.link, &SerialLink::received);
            rig.port.receive("ABCDEF");
            rig.port.receive("ABCDEF");
            QCOMPARE(receives.count(), waitRunning ? 6 : 0);
            QCOMPARE(log.entries().back().bytes,
                     waitRunning ? "ABCDEFABCDEF" : "dropped 12 bytes nobody waited for");
        }
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
