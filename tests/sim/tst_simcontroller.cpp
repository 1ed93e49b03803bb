#include "sim/FaultInjector.h"
#include "sim/Kvt7Controller.h"

#include <QTest>

using namespace kvt::sim;
using namespace std::chrono_literals;

namespace {

// Fed instead of bytes: the host closes the line.
const QByteArray hostLeaves = "<host leaves>";

// Expected output in short: answers apart by spaces, "|" for a line end inside
// one; every answer ends with CR LF and the prompt.
QByteArray replies(const QByteArray& answers)
{
    QByteArray bytes;
    for (const QByteArray& answer : answers.split(' ')) {
        if (!answer.isEmpty())
            bytes += QByteArray(answer).replace('|', "\r\n") + "\r\n>";
    }
    return bytes;
}

const QByteArray setupAtPowerOn = " PROF=500,5000,1|PROFH=400,1000,1|JOG=800|DIR=CW|SEN=NO ";

// Every line of a listing is followed by an empty one and the prompt.
QByteArray listing(char number, const QByteArrayList& lines)
{
    const QByteArray n(1, number);
    return " DP" + n + "|#" + n + "|" + (lines + QByteArrayList{"M30"}).join("| ") + "| ";
}

} // namespace

class TestSimController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersEveryLine_data();
    void answersEveryLine();
    void injectsFaults_data();
    void injectsFaults();
    void garbageIsRepeatableAndHarmless();
};

void TestSimController::answersEveryLine_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArray>("expected");
    const auto row = [](const char* name, const QByteArrayList& pieces, const QByteArray& answers) {
        QTest::newRow(name) << pieces << replies(answers);
    };

    row("moves; a relative one past the counter's end stays put",
        {"POS\rG00,+2000\rG10,150\rPOS\rG00,-150\rG10,-2000\rPOS\rG00,-9999999\rG10,-1\rPOS\r"},
        "POS=+0000000 OK OK POS=+0002150 OK OK POS=-0002150 OK ERR POS=-9999999");
    row("jogs, set position, home search", {"G15,+20\rG16,-30\rPOS\rG92,-20\rPOS\rG27\rPOS\r"},
        "OK OK POS=-0000010 OK POS=-0000020 OK POS=+0000000");
    row("malformed moves", {"G00,5\rG00\rG10\rG15\rG16\rG92\rG10,-\rG00,1A\rG00,12345678\rPOS\r"},
        "OK ERR ERR ERR ERR ERR ERR ERR ERR POS=+0000005");
    row("outputs read back as inputs",
        {"RD.IN\rM20+\rM22+\rM27+\rRD.OUT\rM20-\rRD.IN\rM28\rM28+\rM29-\rM21\rM2\rM21+1\rRD.IN\r"},
        "IN=00000000 OK OK OK OUT=10000101 OK IN=10000100 OK ERR ERR ERR ERR ERR IN=00000000");

    row("setup entries, split across reads",
        {"PROF\r600\r7000\r2\rJOG\r1200\rCCW\rSEN.NC\rPROFH\r400.5\r10", "00\r1.", "5\rDSP\r"},
        QByteArray("OK ").repeated(12) +
            "PROF=600,7000,2|PROFH=400.5,1000,1.5|JOG=1200|DIR=CCW|SEN=NC");
    // The command after a bad value is carried out: the entry is over.
    row("bad values end the entry, old values kept",
        {"PROF\r600\rX\rPOS\rJOG\r\rPROFH\r-400\rPROF\r1.2.3\rJOG\rG10,5\rPOS\rDSP\r"},
        "OK OK ERR POS=+0000000 OK ERR OK ERR OK ERR OK ERR POS=+0000000" + setupAtPowerOn);

    // The POS after the bad M31 lines shows no download was started.
    row("program numbers out of range", {"TRG4\rDELP-1\rDP\rDP01\rM31,4\rM31\rM30\rPOS\r"},
        QByteArray("ERR ").repeated(7) + "POS=+0000000");
    row("download stored as sent, not carried out",
        {"M31,2\rG00,+100\rM21+\r  DSP \rPROF\r500\rDP3\rM30\rPOS\rRD.OUT\rDSP\rDP2\r"},
        "OK OK OK OK OK OK OK OK POS=+0000000 OUT=00000000" + setupAtPowerOn +
            listing('2', {"G00,+100", "M21+", "DSP", "PROF", "500", "DP3"}));
    row("a new download replaces only its own program",
        {"M31,0\rG00,1\rM30\rM31,1\rG00,2\rG00,3\rM30\rM31,1\rG00,4\rM30\rDELP0\rTRG3\rDP1\rDP0\r"},
        QByteArray("OK ").repeated(12) + listing('1', {"G00,4"}) + listing('0', {}));
    row("another M31 starts over, an empty line is skipped",
        {"M31,0\rG00,1\rM31,2\r\rG00,2\rM30\rDP0\rDP2\r"},
        "OK OK OK ? OK OK" + listing('0', {}) + listing('2', {"G00,2"}));
    // After the refused line the download still takes every line up to M30,
    // so none of them is carried out; the program stored before stays.
    row("lines the host could not list back spoil the download",
        {"M31,1\rG00,1\rM30\rM31,1\rG10,>5\rG10,5\rM30\rM31,1\rM301\rM30\rPOS\rDP1\r"},
        "OK OK OK OK ERR ERR ERR OK ERR ERR POS=+0000000" + listing('1', {"G00,1"}));
    row("garbled lines and bad M31 spoil the download",
        {"M31,1\rG00,1\rM30\rM31,1\rg00,1\rG00,2\rM30\rM31,1\rG00,3\rM31,7\rG00,4\rM30\rDP1\r"},
        "OK OK OK OK ? ERR ERR OK OK ERR ERR ERR" + listing('1', {"G00,1"}));
    QByteArrayList fits;
    for (int i = 1; i <= Kvt7Controller::maxProgramLines; ++i)
        fits.append("G10,+" + QByteArray::number(i));
    const QByteArray allOk = QByteArray("OK ").repeated(fits.size());
    const QByteArray fitting = "M31,3\r" + fits.join('\r');
    row("as many lines as fit; one more spoils the download",
        {fitting + "\rM30\r" + fitting + "\rG00,0\rM30\rPOS\rDP3\r"},
        "OK " + allOk + "OK OK " + allOk + "ERR ERR POS=+0000000" + listing('3', fits));

    row("not commands", {"\r pos\rPO\x01S\rPOS\xb0\rPOS\r"}, "? ? ? ? POS=+0000000");
    row("spaces around, CR LF is one line end, no CR no answer", {"  POS \r\nPOS\r\n", "\n", "POS"},
        "POS=+0000000 POS=+0000000");
    row("longest line, then an overlong one",
        {QByteArray(80, 'A') + "\r" + QByteArray(200, 'P'), "OS\rPOS\r"}, "OK ? POS=+0000000");

    row("a leaving host abandons its download",
        {"M31,0\rG00,9\rM30\rM31,0\rG00,+5\r", hostLeaves, "M30\rDP0\r"},
        "OK OK OK OK OK ERR" + listing('0', {"G00,9"}));
}

void TestSimController::answersEveryLine()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, expected);

    Kvt7Controller controller;
    QByteArray received;
    qsizetype answers = 0;
    for (const QByteArray& piece : pieces) {
        if (piece == hostLeaves) {
            controller.discardPartialInput();
            continue;
        }
        for (const Reply& reply : controller.receive(piece)) {
            received += reply.bytes;
            answers += reply.continuesAnswer ? 0 : 1;
            // Every piece, a listing's too, ends at a prompt the host can wait for.
            QVERIFY(reply.bytes.endsWith('>') && reply.delay.count() == 0);
        }
    }
    QCOMPARE(received, expected);
    // One answer per line, whatever the state, so a host never waits in vain.
    QCOMPARE(answers, pieces.join().count('\r'));
}

void TestSimController::injectsFaults_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<Replies>("expected");

    // Program 0 lists in two pieces, the second after the listing pause.
    const QByteArrayList session{"M31,0\rG27\rM30\rDP0\rPOS\r"};
    const Reply ok{replies("OK")};
    const Reply head{replies("DP0|#0|G27|")};
    const Reply tail{replies("M30|"), 40ms, true};
    const Replies all{ok, ok, ok, head, tail, {replies("POS=+0000000")}};
    const auto late = [](const Reply& reply) { return Reply{reply.bytes, 250ms}; };

    QTest::newRow("reply delay before each answer, not inside a listing")
        << Faults{.replyDelay = 250ms} << session
        << Replies{late(ok), late(ok), late(ok), late(head), tail, late(all[5])};
    QTest::newRow("delayed, then byte by byte")
        << Faults{.replyDelay = 100ms, .charDelay = 5ms} << QByteArrayList{"\r"}
        << Replies{{"?", 100ms}, {"\r", 5ms, true}, {"\n", 5ms, true}, {">", 5ms, true}};
    // Counted per command, whatever pieces they came in.
    QTest::newRow("silent after two")
        << Faults{.silentAfter = 2} << QByteArrayList{"G10,+1\rG10,+1\rG10,+1\r", "G10,+1\r"}
        << Replies{ok, ok};
    QTest::newRow("silent after the listing")
        << Faults{.silentAfter = 4} << session << all.mid(0, 5);
}

void TestSimController::injectsFaults()
{
    QFETCH(Faults, faults);
    QFETCH(QByteArrayList, pieces);
    QFETCH(Replies, expected);

    auto kvt7 = std::make_unique<Kvt7Controller>(40ms);
    const Kvt7Controller& inner = *kvt7;
    FaultInjector controller(std::move(kvt7), faults);
    Replies received;
    for (const QByteArray& piece : pieces)
        received += controller.receive(piece);
    QCOMPARE(received, expected);
    // An unanswered move is still made, as when only the reply is lost on the line.
    QCOMPARE(inner.position(), int(pieces.join().count("G10,+1")));
    QCOMPARE(controller.greeting().isEmpty(), faults.silent);
}

// Garbage never ends a line early, fakes a prompt or stalls a host that
// honours XON/XOFF; the same seed repeats a run.
void TestSimController::garbageIsRepeatableAndHarmless()
{
    for (const char c : QByteArray("\r\n\x11\x13 A>~"))
        QVERIFY(!FaultInjector::isGarbageByte(c));
    const QByteArray session =
        QByteArray("POS\rDSP\rG00,-12\r\rM21+\rM31,1\rG27\rM30\rDP1\r").repeated(20);
    const Replies clean = Kvt7Controller().receive(session);
    const auto spoilt = [&session](quint32 seed) {
        Faults faults{.garbage = true, .seed = seed};
        return FaultInjector(std::make_unique<Kvt7Controller>(), faults).receive(session);
    };
    for (const quint32 seed : {0u, 4294967295u}) {
        const Replies spoiltReplies = spoilt(seed);
        QCOMPARE(spoilt(seed), spoiltReplies);
        QVERIFY(spoilt(seed + 1) != spoiltReplies);
        QCOMPARE(spoiltReplies.size(), clean.size());
        for (qsizetype i = 0; i < clean.size(); ++i) {
            QByteArray withoutGarbage = spoiltReplies[i].bytes;
            withoutGarbage.removeIf([](char c) { return FaultInjector::isGarbageByte(c); });
            QCOMPARE(withoutGarbage, clean[i].bytes);
            const qsizetype added = spoiltReplies[i].bytes.size() - clean[i].bytes.size();
            QVERIFY(added >= 1 && added <= 3 && spoiltReplies[i].bytes.endsWith('>'));
        }
    }
}

QTEST_GUILESS_MAIN(TestSimController)
#include "tst_simcontroller.moc"
