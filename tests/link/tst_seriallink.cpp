#include "link/LineWait.h"
#include "link/SerialLink.h"
#include "support/LinkRig.h"

#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::FakeSerialPort;

Q_DECLARE_METATYPE(kvt::LinkProfile)

using Rig = kvt::test::LinkRig;

class TestSerialLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachCharacterIsOneWrite_data();
    void eachCharacterIsOneWrite();
    void pacedCharactersNeverShareATick();
    void watchdogArming_data();
    void watchdogArming();
    void watchdogExpiryCutsOnlyTheCommandInFlight();
    void replyDuringSendDoesNotStallIt_data();
    void replyDuringSendDoesNotStallIt();
    void queueKeepsOrderAndSequencesKeepTheirPauses();
    void failures_data();
    void failures();
    void unsendableTextIsRefusedWhole();
    void eventsReachTheWindow();
    void cancelStopsTheTransferAndRawByteGoesAlone();
    void lineWaits_data();
    void lineWaits();
};

void TestSerialLink::eachCharacterIsOneWrite_data()
{
    QTest::addColumn<LinkProfile>("profile");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<QByteArray>>("writes");
    using L = QList<QByteArray>;
    QTest::newRow("kvt7 DSP") << LinkProfile::kvt7() << "DSP" << L{"\x44", "\x53", "\x50", "\x0d"};
    QTest::newRow("kvt7 empty") << LinkProfile::kvt7() << "" << L{"\r"};
    QTest::newRow("four-model END") << LinkProfile::fourModel() << "END" << L{"E", "N", "D", "\r"};
    QTest::newRow("blanks sent as typed") << LinkProfile::kvt7() << " A " << L{" ", "A", " ", "\r"};
}

void TestSerialLink::eachCharacterIsOneWrite()
{
    QFETCH(LinkProfile, profile);
    QFETCH(QString, command);
    QFETCH(QList<QByteArray>, writes);
    Rig rig(profile);
    QCOMPARE(rig.sendAndWait(command), SendResult::Sent);
    QCOMPARE(rig.port.writes, writes);
}

void TestSerialLink::pacedCharactersNeverShareATick()
{
    // Counted in pacing ticks, not milliseconds: every character, the first
    // one of a queued command after a CR included, waits for a tick of its own.
    Rig rig(LinkProfile::kvt7());
    QList<qsizetype> writesAtTick;
    connect(rig.pacingTimer(), &QTimer::timeout, &rig.link,
            [&] { writesAtTick << rig.port.writes.size(); });
    rig.link.sendData(QStringLiteral("AB"));
    rig.link.sendData(QStringLiteral("CD"));
    QTRY_COMPARE(rig.port.written(), QByteArray("AB\rCD\r"));
    QTRY_VERIFY(!rig.link.isSending());
    for (qsizetype i = 1; i < writesAtTick.size(); ++i)
        QVERIFY2(writesAtTick[i] - writesAtTick[i - 1] <= 1,
                 qPrintable(QStringLiteral("tick %1 wrote %2 characters")
                                .arg(i)
                                .arg(writesAtTick[i] - writesAtTick[i - 1])));
}

void TestSerialLink::watchdogArming_data()
{
    QTest::addColumn<LinkProfile>("profile");
    QTest::addColumn<bool>("armedBySend");
    QTest::addColumn<bool>("runningAfterLastTick");
    // KVT7: the watchdog waits for the reply after the command went out.
    QTest::newRow("kvt7") << LinkProfile::kvt7() << true << true;
    // KVT31/33: armed, but every pacing tick switches it off again.
    QTest::newRow("keypad") << LinkProfile::kvt31_33() << true << false;
    // Four models: only the transfers arm it.
    QTest::newRow("four-model") << LinkProfile::fourModel() << false << false;
}

void TestSerialLink::watchdogArming()
{
    QFETCH(LinkProfile, profile);
    QFETCH(bool, armedBySend);
    QFETCH(bool, runningAfterLastTick);
    Rig rig(profile);
    rig.link.sendData(QStringLiteral("END"));
    QCOMPARE(rig.watchdogActive(), armedBySend);
    QTRY_VERIFY(!rig.link.isSending());
    QTRY_VERIFY(!rig.pacingTimer()->isActive());
    QCOMPARE(rig.watchdogActive(), runningAfterLastTick);

    // A transfer arms it by hand; on the four models the period the last
    // character started switches it off again.
    rig.link.armWatchdog(5s);
    QVERIFY(rig.watchdogActive());
}

void TestSerialLink::watchdogExpiryCutsOnlyTheCommandInFlight()
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

void TestSerialLink::replyDuringSendDoesNotStallIt_data()
{
    QTest::addColumn<LinkProfile>("profile");
    QTest::newRow("kvt7") << LinkProfile::kvt7();
    QTest::newRow("keypad") << LinkProfile::kvt31_33();
}

void TestSerialLink::replyDuringSendDoesNotStallIt()
{
    QFETCH(LinkProfile, profile);
    Rig rig(profile, 5ms);
    QSignalSpy received(&rig.link, &SerialLink::received);
    std::optional<SendResult> result;
    rig.link.sendData(QStringLiteral("G00,1000"), [&](SendResult r) { result = r; });
    connect(rig.pacingTimer(), &QTimer::timeout, &rig.link, [&] { rig.port.receive("?"); });
    QTRY_COMPARE(result, SendResult::Sent);
    QCOMPARE(rig.port.written(), QByteArray("G00,1000\r"));
    QVERIFY(received.count() >= 8);
    QVERIFY(!rig.watchdogActive());
}

void TestSerialLink::queueKeepsOrderAndSequencesKeepTheirPauses()
{
    Rig rig(LinkProfile::kvt7());
    QList<QString> finished;
    rig.link.sendSequence({{QStringLiteral("PROF"), 40ms}, {QStringLiteral("500"), 0ms}},
                          [&](SendResult) { finished << "sequence"; });
    // A button pressed the moment the first line is out must wait for the
    // whole sequence; so must a command sent from a finished command's callback.
    connect(
        &rig.link, &SerialLink::sendFinished, &rig.link,
        [&] { rig.link.sendData(QStringLiteral("G27"), [&](SendResult) { finished << "G27"; }); },
        Qt::SingleShotConnection);
    rig.link.sendData(QStringLiteral("POS"), [&](SendResult) {
        finished << "POS";
        rig.link.sendData(QStringLiteral("DSP"));
    });
    QTRY_COMPARE(rig.port.written(), QByteArray("PROF\r500\rPOS\rG27\rDSP\r"));
    QCOMPARE(finished, (QList<QString>{"sequence", "POS", "G27"}));
}

void TestSerialLink::failures_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<SendResult>("first");
    QTest::addColumn<SendResult>("queued");
    QTest::newRow("closed port") << "closed" << QByteArray() << SendResult::WriteFailed
                                 << SendResult::WriteFailed;
    QTest::newRow("write fails midway")
        << "midway" << QByteArray("G0") << SendResult::WriteFailed << SendResult::WriteFailed;
    QTest::newRow("device lost") << "lost" << QByteArray("G0") << SendResult::LinkLost
                                 << SendResult::Discarded;
    QTest::newRow("window closing")
        << "shutdown" << QByteArray("G") << SendResult::Discarded << SendResult::Discarded;
}

void TestSerialLink::failures()
{
    QFETCH(QString, failure);
    QFETCH(QByteArray, written);
    QFETCH(SendResult, first);
    QFETCH(SendResult, queued);
    Rig rig(LinkProfile::kvt7());
    QSignalSpy writeFailed(&rig.link, &SerialLink::writeFailed);
    QSignalSpy lost(&rig.link, &SerialLink::linkLost);
    if (failure == "closed")
        rig.port.close();
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
    if (failure == "shutdown")
        rig.link.shutDown();
    QTRY_COMPARE(results.size(), 2);
    QCOMPARE(results, (QList<SendResult>{first, queued}));
    QTRY_VERIFY(!rig.pacingTimer()->isActive());
    QCOMPARE(rig.port.written().left(written.size()), written);
    if (failure != "closed" && failure != "midway")
        QCOMPARE(rig.port.written(), written);
    QCOMPARE(writeFailed.isEmpty(), first != SendResult::WriteFailed);
    QCOMPARE(lost.count(), failure == "lost" ? 1 : 0);
    QVERIFY(!rig.watchdogActive() || failure == "closed" || failure == "midway");
}

void TestSerialLink::unsendableTextIsRefusedWhole()
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

void TestSerialLink::eventsReachTheWindow()
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

void TestSerialLink::cancelStopsTheTransferAndRawByteGoesAlone()
{
    Rig rig(LinkProfile::fourModel());
    rig.port.holdOutput(4);
    QList<SendResult> results;
    rig.link.sendData(QStringLiteral("END"), [&](SendResult r) { results << r; });
    rig.link.sendData(QStringLiteral("G00"), [&](SendResult r) { results << r; });
    QCOMPARE(rig.port.written(), QByteArray("END\r")); // back to back, now draining
    QVERIFY(results.isEmpty());
    rig.link.cancel();
    QCOMPARE(results, (QList<SendResult>{SendResult::Cancelled, SendResult::Cancelled}));

    rig.port.drainOutput();
    std::optional<SendResult> raw;
    rig.link.sendRaw("C", &rig.link, [&](SendResult r) { raw = r; });
    QTRY_COMPARE(raw, SendResult::Sent);
    QCOMPARE(rig.port.written(), QByteArray("END\rC"));
}

void TestSerialLink::lineWaits_data()
{
    QTest::addColumn<LineWait::Kind>("kind");
    QTest::addColumn<bool>("endsAtData");
    QTest::addColumn<bool>("endsAfterData");
    // Four-model download: data restarts the pause; it ends once the line is quiet.
    QTest::newRow("quiet") << LineWait::Kind::Quiet << false << true;
    // Upload limits: the first data ends the wait.
    QTest::newRow("no data") << LineWait::Kind::NoData << true << false;
    // KVT31/33 pause: a reply neither ends nor stalls it.
    QTest::newRow("fixed") << LineWait::Kind::Fixed << false << true;
}

void TestSerialLink::lineWaits()
{
    QFETCH(LineWait::Kind, kind);
    QFETCH(bool, endsAtData);
    QFETCH(bool, endsAfterData);
    Rig rig(LinkProfile::fourModel());
    LineWait wait(rig.link, kind);
    QSignalSpy ended(&wait, &LineWait::ended);
    wait.start(60ms);
    rig.port.receive("OK");
    QCOMPARE(ended.count(), endsAtData ? 1 : 0);
    if (endsAtData)
        QCOMPARE(ended.at(0).at(0).toBool(), true);
    QCOMPARE(wait.isRunning(), !endsAtData);
    if (endsAfterData) {
        QVERIFY(ended.wait(2000));
        QCOMPARE(ended.at(0).at(0).toBool(), false);
    }
    // Data after the end is no business of the wait.
    rig.port.receive("OK");
    QCOMPARE(ended.count(), 1);
}

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
