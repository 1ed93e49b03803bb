#include "link/SerialLink.h"
#include "support/FakeSerialPort.h"

#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::FakeSerialPort;

Q_DECLARE_METATYPE(kvt::LinkProfile)

namespace {

struct Rig {
    explicit Rig(const LinkProfile& profile, Timings t = fastTimings()) : link(port, profile, t)
    {
        port.open(1);
        port.setReceiveThreshold(1);
    }

    static Timings fastTimings()
    {
        Timings t;
        t.pacing = 2ms;
        t.watchdog = 5s;
        return t;
    }

    // Sends and records the result; returns once the send has finished.
    std::optional<SendResult> sendAndWait(const QString& command, int timeoutMs = 5000)
    {
        std::optional<SendResult> result;
        link.sendData(command, [&](SendResult r) { result = r; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, timeoutMs))
            return std::nullopt;
        return result;
    }

    FakeSerialPort port;
    SerialLink link;
};

QList<QByteArray> writtenPieces(const FakeSerialPort& port)
{
    QList<QByteArray> pieces;
    for (const auto& w : port.writes)
        pieces.append(w.data);
    return pieces;
}

} // namespace

class TestSerialLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void eachCharacterIsOneWrite_data();
    void eachCharacterIsOneWrite();
    void variantsDiffer_data();
    void variantsDiffer();
    void drainWaitEndsWhenOutputLeaves();
    void watchdogExpiryMidCommand();
    void replyDuringSendStopsWatchdogAndSendCompletes();
    void ctsChangeStopsWatchdog();
    void secondCommandQueuedBehindFirst();
    void commandStartedFromCallbackKeepsOrder();
    void sequenceGoesOutWholeWithPauses();
    void sequenceDiscardedWhenLinkLostDuringPause();
    void portLostMidSend();
    void writeToClosedPortFails();
    void dispatch_data();
    void dispatch();
    void keypadReceiveNeverStallsSend();
    void fourModelStopsOnCommAbortAfterFirstCharacter();
    void fourModelStopsOnTransferAborted();
    void fourModelDrainEndsOnCancel();
    void fourModelQuietPeriodRestartsOnData();
    void fourModelPacingTickStopsWatchdog();
    void shutDownDiscardsQueueAndStopsWriting();
};

void TestSerialLink::eachCharacterIsOneWrite_data()
{
    QTest::addColumn<LinkProfile>("profile");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<QByteArray>>("writes");
    using L = QList<QByteArray>;
    QTest::newRow("kvt7 DSP") << LinkProfile::kvt7() << "DSP" << L{"\x44", "\x53", "\x50", "\x0d"};
    QTest::newRow("kvt7 empty") << LinkProfile::kvt7() << "" << L{"\r"};
    QTest::newRow("keypad END") << LinkProfile::kvt31_33() << "END" << L{"E", "N", "D", "\r"};
    QTest::newRow("four-model END") << LinkProfile::fourModel() << "END" << L{"E", "N", "D", "\r"};
    QTest::newRow("four-model empty") << LinkProfile::fourModel() << "" << L{"\r"};
    QTest::newRow("blanks sent as typed") << LinkProfile::kvt7() << " A " << L{" ", "A", " ", "\r"};
}

void TestSerialLink::eachCharacterIsOneWrite()
{
    QFETCH(LinkProfile, profile);
    QFETCH(QString, command);
    QFETCH(QList<QByteArray>, writes);
    Rig rig(profile);
    QCOMPARE(rig.sendAndWait(command), SendResult::Sent);
    QCOMPARE(writtenPieces(rig.port), writes);
}

void TestSerialLink::variantsDiffer_data()
{
    QTest::addColumn<LinkProfile>("profile");
    QTest::addColumn<int>("writesBeforeFirstTick");
    QTest::addColumn<bool>("watchdogArmedBySend");
    QTest::addColumn<bool>("watchdogRunningAfterSend");
    QTest::addColumn<bool>("clearsCommAbort");
    // KVT7: paced, armed, and the watchdog keeps waiting for the reply.
    QTest::newRow("kvt7") << LinkProfile::kvt7() << 1 << true << true << true;
    // KVT31/33: paced and armed, but every pacing tick switches the watchdog off.
    QTest::newRow("keypad") << LinkProfile::kvt31_33() << 1 << true << false << true;
    // Four models: back to back, the transfer routines own the watchdog and CommAbort.
    QTest::newRow("four-model") << LinkProfile::fourModel() << 4 << false << false << false;
}

void TestSerialLink::variantsDiffer()
{
    QFETCH(LinkProfile, profile);
    QFETCH(int, writesBeforeFirstTick);
    QFETCH(bool, watchdogArmedBySend);
    QFETCH(bool, watchdogRunningAfterSend);
    QFETCH(bool, clearsCommAbort);

    Rig rig(profile);
    rig.link.setCommAbort(false);
    std::optional<SendResult> result;
    rig.link.sendData(QStringLiteral("END"), [&](SendResult r) { result = r; });
    QCOMPARE(rig.port.writes.size(), writesBeforeFirstTick);
    QCOMPARE(rig.link.watchdogActive(), watchdogArmedBySend);
    QTRY_VERIFY(result.has_value());
    QCOMPARE(*result, SendResult::Sent);
    QTest::qWait(10); // the pacing period started by the last character runs out
    QCOMPARE(rig.link.watchdogActive(), watchdogRunningAfterSend);

    // CommAbort left over from an earlier failure
    rig.link.setCommAbort(true);
    rig.port.writes.clear();
    result = rig.sendAndWait(QStringLiteral("END"));
    QCOMPARE(rig.link.commAbort(), !clearsCommAbort);
    QCOMPARE(*result, clearsCommAbort ? SendResult::Sent : SendResult::Aborted);
}

void TestSerialLink::drainWaitEndsWhenOutputLeaves()
{
    Rig rig(LinkProfile::kvt7());
    rig.port.holdOutput(3);
    std::optional<SendResult> result;
    rig.link.sendData(QStringLiteral("POS"), [&](SendResult r) { result = r; });
    QTRY_COMPARE(rig.port.writes.size(), 4);
    QTest::qWait(30);
    QVERIFY(!result.has_value());
    QVERIFY(rig.link.isSending());
    rig.port.drainOutput();
    QCOMPARE(result, SendResult::Sent);
}

void TestSerialLink::watchdogExpiryMidCommand()
{
    Timings t = Rig::fastTimings();
    t.pacing = 5ms;
    t.watchdog = 60ms;
    Rig rig(LinkProfile::kvt7(), t);
    rig.port.holdOutput(1); // a drain wait would never end
    QSignalSpy expired(&rig.link, &SerialLink::watchdogExpired);
    const QByteArray longCommand(200, 'X');

    std::optional<SendResult> first, queued;
    bool abortSeenByFirst = false;
    QByteArray sentByFirst;
    rig.link.sendData(QString::fromLatin1(longCommand), [&](SendResult r) {
        first = r;
        abortSeenByFirst = rig.link.commAbort();
        sentByFirst = rig.port.written();
    });
    rig.link.sendData(QStringLiteral("POS"), [&](SendResult r) { queued = r; });
    QTRY_VERIFY(first.has_value());
    QCOMPARE(*first, SendResult::Aborted);
    QCOMPARE(expired.count(), 1);
    QVERIFY(abortSeenByFirst);
    QVERIFY2(sentByFirst.size() < longCommand.size(), "the rest must stay unsent");
    QVERIFY(longCommand.startsWith(sentByFirst));

    // The command behind it clears CommAbort and goes out whole.
    QTRY_COMPARE(rig.port.written(), sentByFirst + "POS\r");
    QVERIFY(!rig.link.commAbort());
    QVERIFY(rig.link.watchdogActive());
    rig.port.drainOutput();
    QTRY_COMPARE(queued, SendResult::Sent);
}

void TestSerialLink::replyDuringSendStopsWatchdogAndSendCompletes()
{
    Rig rig(LinkProfile::kvt7());
    QSignalSpy received(&rig.link, &SerialLink::received);
    std::optional<SendResult> result;
    rig.link.sendData(QStringLiteral("G00,1000"), [&](SendResult r) { result = r; });
    QTRY_VERIFY(rig.port.writes.size() >= 2);
    QVERIFY(rig.link.watchdogActive());
    rig.port.receive("OK\r\n");
    QVERIFY(!rig.link.watchdogActive());
    QTRY_VERIFY(result.has_value());
    QCOMPARE(*result, SendResult::Sent);
    QCOMPARE(rig.port.written(), QByteArray("G00,1000\r"));
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("OK\r\n"));
}

void TestSerialLink::ctsChangeStopsWatchdog()
{
    Rig rig(LinkProfile::kvt7());
    rig.link.armWatchdog(5s);
    rig.port.raiseEvent(CommEvent::CtsChange);
    QVERIFY(!rig.link.watchdogActive());
}

void TestSerialLink::secondCommandQueuedBehindFirst()
{
    Rig rig(LinkProfile::kvt7());
    QList<QString> finished;
    rig.link.sendData(QStringLiteral("G00,100"), [&](SendResult) { finished << "first"; });
    QTRY_VERIFY(rig.port.writes.size() >= 2);
    rig.link.sendData(QStringLiteral("POS"), [&](SendResult) { finished << "second"; });
    QCOMPARE(rig.link.pendingCommands(), 2);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(finished, (QList<QString>{"first", "second"}));
    QCOMPARE(rig.port.written(), QByteArray("G00,100\rPOS\r"));
    QCOMPARE(rig.port.writes.size(), 12);
}

void TestSerialLink::commandStartedFromCallbackKeepsOrder()
{
    Rig rig(LinkProfile::fourModel());
    rig.port.holdOutput(1);
    rig.link.sendData(QStringLiteral("A"), [&](SendResult) { rig.link.sendData("C"); });
    rig.link.sendData(QStringLiteral("B"));
    rig.port.drainOutput();
    QTRY_COMPARE(rig.port.written(), QByteArray("A\rB\rC\r"));
}

void TestSerialLink::sequenceGoesOutWholeWithPauses()
{
    Rig rig(LinkProfile::kvt7());
    std::optional<SendResult> sequenceDone;
    rig.link.sendSequence({{QStringLiteral("PROF"), 40ms},
                           {QStringLiteral("500"), 40ms},
                           {QStringLiteral("5000"), 40ms},
                           {QStringLiteral("1"), 0ms}},
                          [&](SendResult r) { sequenceDone = r; });
    // A manual button pressed the moment the first line is out.
    connect(
        &rig.link, &SerialLink::sendFinished, &rig.link,
        [&] { rig.link.sendData(QStringLiteral("G27")); }, Qt::SingleShotConnection);
    QTRY_VERIFY(sequenceDone.has_value());
    QCOMPARE(*sequenceDone, SendResult::Sent);
    QTRY_COMPARE(rig.port.written(), QByteArray("PROF\r500\r5000\r1\rG27\r"));

    // The pause after a line starts once it has been sent; measure CR to next line.
    QList<qint64> gaps;
    for (qsizetype i = 1; i < rig.port.writes.size(); ++i)
        if (rig.port.writes[i - 1].data == "\r")
            gaps << rig.port.writes[i].atMs - rig.port.writes[i - 1].atMs;
    QCOMPARE(gaps.size(), 4);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(gaps[i] >= 40, qPrintable(QStringLiteral("gap %1: %2 ms").arg(i).arg(gaps[i])));
}

void TestSerialLink::sequenceDiscardedWhenLinkLostDuringPause()
{
    Rig rig(LinkProfile::kvt7());
    QList<SendResult> results;
    rig.link.sendSequence({{QStringLiteral("JOG"), 10s}, {QStringLiteral("800"), 0ms}},
                          [&](SendResult r) { results << r; });
    QSignalSpy finished(&rig.link, &SerialLink::sendFinished);
    QTRY_COMPARE(finished.count(), 1); // JOG is out, the pause runs
    QCOMPARE(rig.port.written(), QByteArray("JOG\r"));
    QVERIFY(rig.link.isSending()); // the pause holds the line
    rig.port.loseLink(QStringLiteral("gone"));
    QCOMPARE(results, QList<SendResult>{SendResult::Discarded});
    QCOMPARE(finished.count(), 1); // no command was in flight
    QVERIFY(!rig.link.isSending());
}

void TestSerialLink::portLostMidSend()
{
    Rig rig(LinkProfile::kvt7());
    QSignalSpy lost(&rig.link, &SerialLink::linkLost);
    QSignalSpy failed(&rig.link, &SerialLink::writeFailed);
    std::optional<SendResult> first, second;
    rig.link.sendData(QStringLiteral("G00,1000"), [&](SendResult r) { first = r; });
    rig.link.sendData(QStringLiteral("POS"), [&](SendResult r) { second = r; });
    QTRY_VERIFY(rig.port.writes.size() >= 3);
    rig.port.loseLink(QStringLiteral("The connection on /dev/ttyUSB0 was lost: gone"));
    QCOMPARE(first, SendResult::LinkLost);
    QCOMPARE(second, SendResult::Discarded);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(failed.count(), 0);
    const auto writes = rig.port.writes.size();
    QTest::qWait(30);
    QCOMPARE(rig.port.writes.size(), writes);
    QVERIFY(!rig.link.watchdogActive());
    QVERIFY(!rig.link.pacingActive());
}

void TestSerialLink::writeToClosedPortFails()
{
    Rig rig(LinkProfile::kvt7());
    rig.port.close();
    QSignalSpy failed(&rig.link, &SerialLink::writeFailed);
    QCOMPARE(rig.sendAndWait(QStringLiteral("POS")), SendResult::WriteFailed);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(),
             QStringLiteral("Operation valid only when the port is open"));
    QVERIFY(rig.port.writes.isEmpty());

    // A write that fails midway stops the command there.
    QVERIFY(rig.port.open(1));
    rig.port.failWritesAfter(2, QStringLiteral("Input/output error"));
    QCOMPARE(rig.sendAndWait(QStringLiteral("POS")), SendResult::WriteFailed);
    QCOMPARE(rig.port.written(), QByteArray("PO"));
    QCOMPARE(failed.count(), 2);
    QCOMPARE(failed.at(1).at(0).toString(), QStringLiteral("Input/output error"));
}

void TestSerialLink::dispatch_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("stopsWatchdog");
    QTest::addColumn<QString>("lineError");
    QTest::addColumn<bool>("unknown");
    QTest::addColumn<bool>("received");
    for (int code : {1, 4, 5, 6, 7})
        QTest::addRow("ignored %d", code) << code << false << QString() << false << false;
    QTest::newRow("receive") << 2 << true << QString() << false << true;
    QTest::newRow("cts") << 3 << true << QString() << false << false;
    QTest::newRow("break") << 1001 << false << "Break Received ! " << false << false;
    QTest::newRow("overflow") << 1008 << false << "Receive Buffer Overflow" << false << false;
    QTest::newRow("tx full") << 1010 << false << "Transmit Buffer Full" << false << false;
    for (int code : {0, 1004, 1009, 1011})
        QTest::addRow("unknown %d", code) << code << false << QString() << true << false;
}

void TestSerialLink::dispatch()
{
    QFETCH(int, code);
    QFETCH(bool, stopsWatchdog);
    QFETCH(QString, lineError);
    QFETCH(bool, unknown);
    QFETCH(bool, received);
    Rig rig(LinkProfile::kvt7());
    QSignalSpy lineErrors(&rig.link, &SerialLink::lineError);
    QSignalSpy unknowns(&rig.link, &SerialLink::unknownEvent);
    QSignalSpy receives(&rig.link, &SerialLink::received);
    rig.link.armWatchdog(5s);
    if (code == CommEvent::Receive)
        rig.port.receive(">");
    else
        rig.port.raiseEvent(code);
    QCOMPARE(rig.link.watchdogActive(), !stopsWatchdog);
    QCOMPARE(lineErrors.count(), lineError.isEmpty() ? 0 : 1);
    if (!lineError.isEmpty())
        QCOMPARE(lineErrors.at(0).at(0).toString(), lineError);
    QCOMPARE(unknowns.count(), unknown ? 1 : 0);
    if (unknown)
        QCOMPARE(unknowns.at(0).at(0).toString(),
                 QStringLiteral("UNKNOWN ERROR OR EVENT ENCOUNTERED !"));
    QCOMPARE(receives.count(), received ? 1 : 0);
}

void TestSerialLink::keypadReceiveNeverStallsSend()
{
    Timings t = Rig::fastTimings();
    t.pacing = 5ms;
    Rig rig(LinkProfile::kvt31_33(), t);
    std::optional<SendResult> result;
    rig.link.sendData(QStringLiteral("M31,1"), [&](SendResult r) { result = r; });
    for (int i = 0; i < 5 && !result; ++i) {
        rig.port.receive("?");
        QTest::qWait(3);
    }
    QTRY_VERIFY(result.has_value());
    QCOMPARE(*result, SendResult::Sent);
    QCOMPARE(rig.port.written(), QByteArray("M31,1\r"));

    // Outside a send, data stops the pacing timer used as a time-out.
    rig.link.startPacingPeriod(5s);
    rig.port.receive("AB");
    QVERIFY(!rig.link.pacingActive());
}

void TestSerialLink::fourModelStopsOnCommAbortAfterFirstCharacter()
{
    Rig rig(LinkProfile::fourModel());
    rig.link.setCommAbort(true);
    QCOMPARE(rig.sendAndWait(QStringLiteral("S00")), SendResult::Aborted);
    QCOMPARE(rig.port.written(), QByteArray("S"));
}

void TestSerialLink::fourModelStopsOnTransferAborted()
{
    Rig rig(LinkProfile::fourModel());
    bool aborted = true;
    rig.link.setTransferAbortedProbe([&] { return aborted; });
    QCOMPARE(rig.sendAndWait(QStringLiteral("G00,100")), SendResult::Cancelled);
    QCOMPARE(rig.port.written(), QByteArray("G"));
    aborted = false;
    QCOMPARE(rig.sendAndWait(QStringLiteral("C")), SendResult::Sent);
}

void TestSerialLink::fourModelDrainEndsOnCancel()
{
    Rig rig(LinkProfile::fourModel());
    bool aborted = false;
    rig.link.setTransferAbortedProbe([&] { return aborted; });
    rig.port.holdOutput(4);
    std::optional<SendResult> result;
    rig.link.sendData(QStringLiteral("END"), [&](SendResult r) { result = r; });
    QCOMPARE(rig.port.written(), QByteArray("END\r"));
    QVERIFY(!result);
    aborted = true;
    rig.link.transferCancelled();
    QCOMPARE(result, SendResult::Cancelled);
}

void TestSerialLink::fourModelQuietPeriodRestartsOnData()
{
    Timings t = Rig::fastTimings();
    Rig rig(LinkProfile::fourModel(), t);
    QSignalSpy ticks(&rig.link, &SerialLink::charTicked);
    rig.link.startPacingPeriod(100ms);
    QVERIFY(!rig.link.charTick());
    QTest::qWait(50);
    rig.port.receive("OK");
    // Data during the period must not cancel it for good, or the transfer waits forever.
    QVERIFY(rig.link.pacingActive());
    QVERIFY(!rig.link.charTick());
    QTRY_VERIFY(rig.link.charTick());
    QCOMPARE(ticks.count(), 1);
    QVERIFY(!rig.link.pacingActive()); // one-shot
}

void TestSerialLink::fourModelPacingTickStopsWatchdog()
{
    Rig rig(LinkProfile::fourModel());
    rig.link.startPacingPeriod(20ms);
    rig.link.armWatchdog(5s);
    QVERIFY(rig.link.watchdogActive());
    QTRY_VERIFY(rig.link.charTick());
    QVERIFY(!rig.link.watchdogActive());
}

void TestSerialLink::shutDownDiscardsQueueAndStopsWriting()
{
    Rig rig(LinkProfile::kvt7());
    QList<SendResult> results;
    rig.link.sendData(QStringLiteral("G00,1000"), [&](SendResult r) { results << r; });
    rig.link.sendData(QStringLiteral("POS"), [&](SendResult r) { results << r; });
    rig.link.shutDown();
    QCOMPARE(results, (QList<SendResult>{SendResult::Discarded, SendResult::Discarded}));
    QTest::qWait(20);
    QCOMPARE(rig.port.written(), QByteArray("G"));
    rig.link.sendData(QStringLiteral("X"), [&](SendResult r) { results << r; });
    QCOMPARE(results.size(), 3);
    QCOMPARE(rig.port.written(), QByteArray("G"));
}

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
