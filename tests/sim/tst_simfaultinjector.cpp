#include "sim/FaultInjector.h"
#include "sim/Kvt7Controller.h"

#include <QTest>

using namespace kvt::sim;
using std::chrono::milliseconds;

namespace {

FaultInjector injector(const Faults& faults)
{
    return FaultInjector(std::make_unique<Kvt7Controller>(), faults);
}

QByteArray withoutGarbage(QByteArray bytes)
{
    bytes.removeIf([](char c) { return FaultInjector::isGarbageByte(c); });
    return bytes;
}

// Several different replies, so garbage has different texts to go into; the
// listing's pieces get theirs each.
const QByteArray session = "POS\rDSP\rG00,-12\r\rPOS\rM21+\rM31,1\rG27\rM30\rDP1\r";

} // namespace

class TestSimFaultInjector : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fallsSilent_data();
    void fallsSilent();
    void delaysAndTricklesReplies_data();
    void delaysAndTricklesReplies();
    void treatsAListingAsOneAnswer_data();
    void treatsAListingAsOneAnswer();
    void garbageIsRepeatableAndHarmless_data();
    void garbageIsRepeatableAndHarmless();
};

void TestSimFaultInjector::fallsSilent_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<bool>("allInOnePiece");
    QTest::addColumn<int>("answered");
    QTest::addColumn<bool>("greets");

    QTest::newRow("never") << Faults{} << false << 4 << true;
    QTest::newRow("silent") << Faults{.silent = true} << true << 0 << false;
    QTest::newRow("after none") << Faults{.silentAfter = 0} << false << 0 << true;
    QTest::newRow("after two") << Faults{.silentAfter = 2} << false << 2 << true;
    QTest::newRow("after two, one piece") << Faults{.silentAfter = 2} << true << 2 << true;
    QTest::newRow("after more than sent") << Faults{.silentAfter = 10} << true << 4 << true;
}

// An unanswered command has still been carried out, as when only the reply
// is lost on the line.
void TestSimFaultInjector::fallsSilent()
{
    QFETCH(Faults, faults);
    QFETCH(bool, allInOnePiece);
    QFETCH(int, answered);
    QFETCH(bool, greets);

    auto kvt7 = std::make_unique<Kvt7Controller>();
    const Kvt7Controller& inner = *kvt7;
    FaultInjector controller(std::move(kvt7), faults);
    const QByteArray move = "G10,+1\r";
    qsizetype replies = 0;
    if (allInOnePiece) {
        replies = controller.receive(move.repeated(4)).size();
    } else {
        for (int i = 0; i < 4; ++i)
            replies += controller.receive(move).size();
    }
    QCOMPARE(replies, answered);
    QCOMPARE(inner.position(), 4);
    QCOMPARE(controller.greeting().isEmpty(), !greets);
}

void TestSimFaultInjector::delaysAndTricklesReplies_data()
{
    QTest::addColumn<int>("replyDelayMs");
    QTest::addColumn<int>("charDelayMs");
    QTest::addColumn<Replies>("replies");

    const milliseconds none{0};
    QTest::newRow("no faults") << 0 << 0 << Replies{{"?\r\n>", none}, {"?\r\n>", none}};
    QTest::newRow("reply delay, each reply")
        << 250 << 0 << Replies{{"?\r\n>", milliseconds{250}}, {"?\r\n>", milliseconds{250}}};
    QTest::newRow("delayed, then byte by byte")
        << 100 << 5 << Replies{{"?", milliseconds{100}},      {"\r", milliseconds{5}, true},
                               {"\n", milliseconds{5}, true}, {">", milliseconds{5}, true},
                               {"?", milliseconds{100}},      {"\r", milliseconds{5}, true},
                               {"\n", milliseconds{5}, true}, {">", milliseconds{5}, true}};
}

void TestSimFaultInjector::delaysAndTricklesReplies()
{
    QFETCH(int, replyDelayMs);
    QFETCH(int, charDelayMs);
    QFETCH(Replies, replies);

    FaultInjector controller = injector(
        {.replyDelay = milliseconds{replyDelayMs}, .charDelay = milliseconds{charDelayMs}});
    QCOMPARE(controller.receive("\r\r"), replies);
}

void TestSimFaultInjector::treatsAListingAsOneAnswer_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<Replies>("listing");

    const milliseconds none{0};
    const milliseconds pause{40};
    const Replies whole{{"DP0\r\n#0\r\nG27\r\n\r\n>", none}, {"M30\r\n\r\n>", pause, true}};
    QTest::newRow("no faults") << Faults{} << whole;
    QTest::newRow("reply delay before the first piece only")
        << Faults{.replyDelay = milliseconds{250}}
        << Replies{{whole[0].bytes, milliseconds{250}}, whole[1]};
    QTest::newRow("silent after the listing") << Faults{.silentAfter = 4} << whole;
    QTest::newRow("silent from the listing on") << Faults{.silentAfter = 3} << Replies{};
    QTest::newRow("byte by byte, pause before the second line")
        << Faults{.charDelay = milliseconds{1}} << [&] {
               Replies bytes;
               const QByteArray all = whole[0].bytes + whole[1].bytes;
               for (qsizetype i = 0; i < all.size(); ++i) {
                   const bool lineStart = i == whole[0].bytes.size();
                   bytes.append({all.mid(i, 1),
                                 i == 0      ? none
                                 : lineStart ? pause
                                             : milliseconds{1},
                                 i > 0});
               }
               return bytes;
           }();
}

void TestSimFaultInjector::treatsAListingAsOneAnswer()
{
    QFETCH(Faults, faults);
    QFETCH(Replies, listing);

    FaultInjector controller(std::make_unique<Kvt7Controller>(milliseconds{40}), faults);
    controller.receive("M31,0\rG27\rM30\r");
    QCOMPARE(controller.receive("DP0\r"), listing);
    // Both rows that fall silent have done so by the command after the listing.
    QCOMPARE(controller.receive("POS\r").isEmpty(), faults.silentAfter >= 0);
}

void TestSimFaultInjector::garbageIsRepeatableAndHarmless_data()
{
    QTest::addColumn<quint32>("seed");
    for (const quint32 seed : {0u, 42u, 4294967295u})
        QTest::addRow("seed %u", seed) << seed;
}

void TestSimFaultInjector::garbageIsRepeatableAndHarmless()
{
    QFETCH(quint32, seed);

    FaultInjector spoilt = injector({.garbage = true, .seed = seed});
    FaultInjector sameSeed = injector({.garbage = true, .seed = seed});
    FaultInjector otherSeed = injector({.garbage = true, .seed = seed + 1});
    Kvt7Controller clean;
    Replies all;
    Replies allWithOtherSeed;
    for (int round = 0; round < 20; ++round) {
        const Replies spoiltReplies = spoilt.receive(session);
        const Replies cleanReplies = clean.receive(session);
        QCOMPARE(sameSeed.receive(session), spoiltReplies);
        all += spoiltReplies;
        allWithOtherSeed += otherSeed.receive(session);
        QCOMPARE(spoiltReplies.size(), cleanReplies.size());
        for (qsizetype i = 0; i < cleanReplies.size(); ++i) {
            const QByteArray& bytes = spoiltReplies[i].bytes;
            QCOMPARE(withoutGarbage(bytes), cleanReplies[i].bytes);
            const qsizetype garbage = bytes.size() - cleanReplies[i].bytes.size();
            QVERIFY(garbage >= 1 && garbage <= 3);
            QVERIFY(bytes.endsWith('>'));
        }
    }
    QVERIFY(all != allWithOtherSeed);
}

QTEST_GUILESS_MAIN(TestSimFaultInjector)
#include "tst_simfaultinjector.moc"
