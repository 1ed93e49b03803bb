#include "sim/Kvt7Controller.h"

#include <QTest>

using namespace kvt::sim;
using std::chrono::milliseconds;

namespace {

const QByteArray ok = "OK\r\n>";
const QByteArray refused = "ERR\r\n>";
const QByteArray notACommand = "?\r\n>";
const QByteArray homePosition = "POS=+0000000\r\n>";
const QByteArray noOutputs = "OUT=00000000\r\n>";
const QByteArray setupAtPowerOn = "PROF=500,5000,1\r\nPROFH=400,1000,1\r\nJOG=800\r\nDIR=CW\r\n"
                                  "SEN=NO\r\n>";

QByteArray listing(char number, const QByteArrayList& lines)
{
    QByteArray bytes = QByteArray("DP") + number + "\r\n#" + number + "\r\n";
    for (const QByteArray& line : lines)
        bytes += line + "\r\n\r\n>";
    return bytes;
}

// Program lines G10,+1, G10,+2, ... so a listing shows which ones were kept.
QByteArrayList numberedLines(int count)
{
    QByteArrayList lines;
    for (int i = 1; i <= count; ++i)
        lines.append("G10,+" + QByteArray::number(i));
    return lines;
}

QByteArray commands(const QByteArrayList& lines)
{
    return lines.join('\r') + '\r';
}

struct Received {
    QByteArray bytes;
    qsizetype answers = 0;
    // Every piece, a listing's too, should end at a prompt the host can wait for.
    bool allEndWithPrompt = true;
};

Received feed(Controller& controller, const QByteArrayList& pieces)
{
    Received received;
    for (const QByteArray& piece : pieces) {
        for (const Reply& reply : controller.receive(piece)) {
            received.bytes += reply.bytes;
            received.answers += reply.continuesAnswer ? 0 : 1;
            received.allEndWithPrompt &= reply.bytes.endsWith('>') && reply.delay.count() == 0;
        }
    }
    return received;
}

} // namespace

class TestKvt7Controller : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersEveryLine_data();
    void answersEveryLine();
    void limitsTheProgramSize_data();
    void limitsTheProgramSize();
    void listsInPiecesEndingWithPrompts_data();
    void listsInPiecesEndingWithPrompts();
    void abandonsWhatALeavingHostBegan_data();
    void abandonsWhatALeavingHostBegan();
};

void TestKvt7Controller::answersEveryLine_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArray>("replies");

    using Pieces = QByteArrayList;
    QTest::newRow("position at power-on") << Pieces{"POS\r"} << homePosition;
    QTest::newRow("absolute move") << Pieces{"G00,+1234\rPOS\r"} << ok + "POS=+0001234\r\n>";
    QTest::newRow("absolute moves do not add up")
        << Pieces{"G00,+2000\rG00,-150\rPOS\r"} << ok + ok + "POS=-0000150\r\n>";
    QTest::newRow("relative moves add up, sign optional")
        << Pieces{"G10,2000\rG10,-150\rPOS\r"} << ok + ok + "POS=+0001850\r\n>";
    QTest::newRow("absolute jog") << Pieces{"G10,+500\rG15,+20\rPOS\r"}
                                  << ok + ok + "POS=+0000020\r\n>";
    QTest::newRow("relative jog") << Pieces{"G00,+500\rG16,-20\rPOS\r"}
                                  << ok + ok + "POS=+0000480\r\n>";
    QTest::newRow("absolute move to the counter's end")
        << Pieces{"G00,-9999999\rPOS\r"} << ok + "POS=-9999999\r\n>";
    QTest::newRow("relative move past the limit stays put")
        << Pieces{"G00,-9999999\rG10,-1\rPOS\r"} << ok + refused + "POS=-9999999\r\n>";
    QTest::newRow("moves without steps")
        << Pieces{"G00\rG10\rG15\rG16\rG92\r"} << refused.repeated(5);
    QTest::newRow("move with sign only") << Pieces{"G10,-\r"} << refused;
    QTest::newRow("move with letters") << Pieces{"G00,1A\r"} << refused;
    QTest::newRow("set position") << Pieces{"G00,500\rG92,-20\rPOS\r"}
                                  << ok + ok + "POS=-0000020\r\n>";
    QTest::newRow("zero point set") << Pieces{"G10,+500\rG92,0\rPOS\r"} << ok + ok + homePosition;
    QTest::newRow("home search") << Pieces{"G10,-500\rG27\rPOS\r"} << ok + ok + homePosition;
    QTest::newRow("home search with argument")
        << Pieces{"G10,5\rG27,1\rPOS\r"} << ok + refused + "POS=+0000005\r\n>";
    QTest::newRow("position with argument") << Pieces{"POS,1\r"} << refused;

    QTest::newRow("outputs and inputs at power-on")
        << Pieces{"RD.OUT\rRD.IN\r"} << noOutputs + "IN=00000000\r\n>";
    QTest::newRow("outputs switched on")
        << Pieces{"M20+\rM22+\rRD.OUT\r"} << ok + ok + "OUT=00000101\r\n>";
    QTest::newRow("output switched off again")
        << Pieces{"M20+\rM22+\rM20-\rRD.OUT\r"} << ok + ok + ok + "OUT=00000100\r\n>";
    QTest::newRow("highest output") << Pieces{"M27+\rRD.OUT\r"} << ok + "OUT=10000000\r\n>";
    QTest::newRow("inputs read the outputs")
        << Pieces{"M21+\rM26+\rRD.IN\r"} << ok + ok + "IN=01000010\r\n>";
    QTest::newRow("all outputs off") << Pieces{"M20+\rM27+\rM28\rRD.OUT\rRD.IN\r"}
                                     << ok + ok + ok + noOutputs + "IN=00000000\r\n>";
    QTest::newRow("outputs beyond 7")
        << Pieces{"M28+\rM29-\rRD.OUT\r"} << refused + refused + noOutputs;
    QTest::newRow("output without state")
        << Pieces{"M21\rM2\rM21+1\rRD.OUT\r"} << refused.repeated(3) + noOutputs;
    QTest::newRow("output reads with argument")
        << Pieces{"RD.OUT,1\rRD.IN,1\r"} << refused + refused;

    QTest::newRow("setup at power-on") << Pieces{"DSP\r"} << setupAtPowerOn;
    QTest::newRow("running profile")
        << Pieces{"PROF\r600\r7000\r2\rDSP\r"}
        << ok.repeated(4) + "PROF=600,7000,2\r\nPROFH=400,1000,1\r\nJOG=800\r\nDIR=CW\r\n"
                            "SEN=NO\r\n>";
    QTest::newRow("home search profile with fractions")
        << Pieces{"PROFH\r400.5\r1000\r1.5\rDSP\r"}
        << ok.repeated(4) + "PROF=500,5000,1\r\nPROFH=400.5,1000,1.5\r\nJOG=800\r\nDIR=CW\r\n"
                            "SEN=NO\r\n>";
    QTest::newRow("jog speed, then a command")
        << Pieces{"JOG\r1200\rPOS\rDSP\r"}
        << ok + ok + homePosition +
               "PROF=500,5000,1\r\nPROFH=400,1000,1\r\nJOG=1200\r\nDIR=CW\r\nSEN=NO\r\n>";
    QTest::newRow("direction and sensor logic")
        << Pieces{"CCW\rSEN.NC\rDSP\r"}
        << ok + ok + "PROF=500,5000,1\r\nPROFH=400,1000,1\r\nJOG=800\r\nDIR=CCW\r\nSEN=NC\r\n>";
    QTest::newRow("values split across reads")
        << Pieces{"PRO", "F\r5", "50\r5000\r1", "\rDSP\r"}
        << ok.repeated(4) + "PROF=550,5000,1\r\nPROFH=400,1000,1\r\nJOG=800\r\nDIR=CW\r\n"
                            "SEN=NO\r\n>";
    // The command after the bad value is carried out, so the entry is over.
    QTest::newRow("bad value ends the entry, old profile kept")
        << Pieces{"PROF\r600\rX\rPOS\rDSP\r"} << ok + ok + refused + homePosition + setupAtPowerOn;
    QTest::newRow("command instead of a value")
        << Pieces{"JOG\rG10,5\rPOS\rDSP\r"} << ok + refused + "POS=+0000000\r\n>" + setupAtPowerOn;
    QTest::newRow("empty value") << Pieces{"JOG\r\rDSP\r"} << ok + refused + setupAtPowerOn;
    QTest::newRow("negative value")
        << Pieces{"PROFH\r-400\rDSP\r"} << ok + refused + setupAtPowerOn;
    QTest::newRow("two decimal points")
        << Pieces{"PROF\r1.2.3\rDSP\r"} << ok + refused + setupAtPowerOn;
    QTest::newRow("setup commands with argument")
        << Pieces{"PROF,100,2000,300\rJOG,800\rCW,1\rSEN.NO,1\rDSP,1\r"} << refused.repeated(5);

    QTest::newRow("triggers") << Pieces{"TRG0\rTRG3\r"} << ok + ok;
    QTest::newRow("triggers out of range")
        << Pieces{"TRG4\rTRG\rTRG12\rTRG0,1\r"} << refused.repeated(4);
    QTest::newRow("deletes") << Pieces{"DELP0\rDELP3\r"} << ok + ok;
    QTest::newRow("deletes out of range") << Pieces{"DELP4\rDELP\rDELP-1\r"} << refused.repeated(3);

    QTest::newRow("empty program") << Pieces{"DP0\r"} << listing('0', {"M30"});
    QTest::newRow("download, then listing")
        << Pieces{"M31,2\rG00,+100\rM21+\rM30\rDP2\r"}
        << ok.repeated(4) + listing('2', {"G00,+100", "M21+", "M30"});
    QTest::newRow("downloaded lines are stored, not carried out")
        << Pieces{"M31,0\rG00,+100\rM21+\rM30\rPOS\rRD.OUT\r"}
        << ok.repeated(4) + homePosition + noOutputs;
    QTest::newRow("stored as sent, set-up lines too")
        << Pieces{"M31,1\r  DSP \rPROF\r500\rDP3\rM30\rDP1\rDSP\r"}
        << ok.repeated(6) + listing('1', {"DSP", "PROF", "500", "DP3", "M30"}) + setupAtPowerOn;
    QTest::newRow("a new download replaces the program")
        << Pieces{"M31,1\rG00,1\rG00,2\rM30\rM31,1\rG00,3\rM30\rDP1\r"}
        << ok.repeated(7) + listing('1', {"G00,3", "M30"});
    QTest::newRow("delete, then listing")
        << Pieces{"M31,2\rG00,1\rM30\rDELP2\rDP2\r"} << ok.repeated(4) + listing('2', {"M30"});
    QTest::newRow("delete leaves the other programs")
        << Pieces{"M31,0\rG00,1\rM30\rM31,1\rG00,2\rM30\rDELP0\rDP1\rDP0\r"}
        << ok.repeated(7) + listing('1', {"G00,2", "M30"}) + listing('0', {"M30"});
    QTest::newRow("download split across reads")
        << Pieces{"M31", ",1\rG0", "0,+5\rM3", "0\rDP", "1\r"}
        << ok.repeated(3) + listing('1', {"G00,+5", "M30"});
    QTest::newRow("empty line in a download is skipped")
        << Pieces{"M31,0\r\rG00,1\rM30\rDP0\r"}
        << ok + notACommand + ok + ok + listing('0', {"G00,1", "M30"});
    QTest::newRow("another M31 starts over")
        << Pieces{"M31,0\rG00,1\rM31,2\rG00,2\rM30\rDP0\rDP2\r"}
        << ok.repeated(5) + listing('0', {"M30"}) + listing('2', {"G00,2", "M30"});
    // After the refused line the download still takes the lines up to M30, so
    // none of them is carried out as a command; the stored program stays.
    QTest::newRow("line with a prompt character spoils the download")
        << Pieces{"M31,1\rG00,1\rM30\rM31,1\rG10,>5\rG10,5\rM30\rPOS\rDP1\r"}
        << ok.repeated(4) + refused.repeated(3) + homePosition + listing('1', {"G00,1", "M30"});
    QTest::newRow("line holding M30 spoils the download")
        << Pieces{"M31,0\rG00,1\rM301\rM30\rDP0\r"}
        << ok + ok + refused + refused + listing('0', {"M30"});
    QTest::newRow("garbled line spoils the download")
        << Pieces{"M31,0\rg00,1\rG00,2\rM30\rDP0\r"}
        << ok + notACommand + refused + refused + listing('0', {"M30"});
    QTest::newRow("bad M31 in a download spoils it")
        << Pieces{"M31,0\rG00,1\rM31,7\rG00,2\rM30\rDP0\r"}
        << ok + ok + refused + refused + refused + listing('0', {"M30"});
    QTest::newRow("program numbers out of range")
        << Pieces{"M31,4\rM31\rM31,01\rM31,-1\rPOS\r"} << refused.repeated(4) + homePosition;
    QTest::newRow("M30 with no download") << Pieces{"M30\r"} << refused;
    QTest::newRow("listings out of range")
        << Pieces{"DP4\rDP\rDP0,1\rDP01\r"} << refused.repeated(4);

    QTest::newRow("end input search not modelled") << Pieces{"G20,3,-\r"} << ok;
    QTest::newRow("spaces around") << Pieces{"  POS \r"} << homePosition;
    QTest::newRow("empty line") << Pieces{"\r"} << notACommand;
    QTest::newRow("lower case") << Pieces{"pos\r"} << notACommand;
    QTest::newRow("control byte") << Pieces{"PO\x01S\r"} << notACommand;
    QTest::newRow("byte above ASCII") << Pieces{"POS\xb0\r"} << notACommand;
    QTest::newRow("longest line") << Pieces{QByteArray(80, 'A') + '\r'} << ok;
    QTest::newRow("overlong line, then a good one")
        << Pieces{QByteArray(200, 'P'), "OS\rPOS\r"} << notACommand + homePosition;
    QTest::newRow("byte by byte") << Pieces{"P", "O", "S", "\r"} << homePosition;
    QTest::newRow("lines split anywhere")
        << Pieces{"G1", "0,7\rPO", "S", "\r"} << ok + "POS=+0000007\r\n>";
    QTest::newRow("CR LF is one line end") << Pieces{"POS\r\n"} << homePosition;
    QTest::newRow("LF alone") << Pieces{"\n", "\n"} << QByteArray();
    QTest::newRow("no CR yet") << Pieces{"POS"} << QByteArray();
}

void TestKvt7Controller::answersEveryLine()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, replies);

    Kvt7Controller controller;
    const Received received = feed(controller, pieces);
    QCOMPARE(received.bytes, replies);
    QVERIFY(received.allEndWithPrompt);
    // One answer per line, whatever the state, so a host never waits in vain.
    QCOMPARE(received.answers, pieces.join().count('\r'));
}

void TestKvt7Controller::limitsTheProgramSize_data()
{
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<bool>("kept");

    QTest::newRow("as many as fit") << Kvt7Controller::maxProgramLines << true;
    QTest::newRow("one too many") << Kvt7Controller::maxProgramLines + 1 << false;
    QTest::newRow("far too many") << 3 * Kvt7Controller::maxProgramLines << false;
}

// A download that does not fit leaves the program stored before it, and its
// lines are still taken as program lines, not carried out as commands.
void TestKvt7Controller::limitsTheProgramSize()
{
    QFETCH(int, lineCount);
    QFETCH(bool, kept);

    Kvt7Controller controller;
    const QByteArrayList before{"M21+", "M30"};
    QCOMPARE(feed(controller, {commands(QByteArrayList{"M31,3"} + before)}).bytes, ok.repeated(3));

    const QByteArrayList lines = numberedLines(lineCount);
    const Received download =
        feed(controller, {commands(QByteArrayList{"M31,3"} + lines + QByteArrayList{"M30"})});
    const qsizetype storable = std::min(lineCount, Kvt7Controller::maxProgramLines);
    QCOMPARE(download.bytes, ok.repeated(1 + storable) +
                                 refused.repeated(lineCount - storable + (kept ? 0 : 1)) +
                                 (kept ? ok : QByteArray()));
    QCOMPARE(feed(controller, {"POS\rDP3\r"}).bytes,
             homePosition + listing('3', kept ? lines + QByteArrayList{"M30"} : before));
}

void TestKvt7Controller::listsInPiecesEndingWithPrompts_data()
{
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<QByteArrayList>("program");
    QTest::addColumn<Replies>("pieces");

    const milliseconds none{0};
    QTest::newRow("empty program, one piece")
        << 50 << QByteArrayList{} << Replies{{"DP1\r\n#1\r\nM30\r\n\r\n>", none, false}};
    QTest::newRow("no pause") << 0 << QByteArrayList{"G00,+1", "G00,-1"}
                              << Replies{{"DP1\r\n#1\r\nG00,+1\r\n\r\n>", none, false},
                                         {"G00,-1\r\n\r\n>", none, true},
                                         {"M30\r\n\r\n>", none, true}};
    QTest::newRow("pause after every line but the last")
        << 50 << QByteArrayList{"G00,+1", "G00,-1"}
        << Replies{{"DP1\r\n#1\r\nG00,+1\r\n\r\n>", none, false},
                   {"G00,-1\r\n\r\n>", milliseconds{50}, true},
                   {"M30\r\n\r\n>", milliseconds{50}, true}};
}

void TestKvt7Controller::listsInPiecesEndingWithPrompts()
{
    QFETCH(int, pauseMs);
    QFETCH(QByteArrayList, program);
    QFETCH(Replies, pieces);

    Kvt7Controller controller{milliseconds{pauseMs}};
    if (!program.isEmpty())
        controller.receive(commands(QByteArrayList{"M31,1"} + program + QByteArrayList{"M30"}));
    QCOMPARE(controller.receive("DP1\r"), pieces);
}

void TestKvt7Controller::abandonsWhatALeavingHostBegan_data()
{
    QTest::addColumn<QByteArray>("beforeLeaving");
    QTest::addColumn<QByteArray>("nextHostSends");
    QTest::addColumn<QByteArray>("nextHostGets");

    QTest::newRow("half a download")
        << QByteArray("M31,0\rG00,9\rM30\rM31,0\rG00,+5\r") << QByteArray("M30\rDP0\r")
        << refused + listing('0', {"G00,9", "M30"});
    QTest::newRow("half a profile")
        << QByteArray("PROF\r600\r") << QByteArray("700\rDSP\r") << ok + setupAtPowerOn;
}

void TestKvt7Controller::abandonsWhatALeavingHostBegan()
{
    QFETCH(QByteArray, beforeLeaving);
    QFETCH(QByteArray, nextHostSends);
    QFETCH(QByteArray, nextHostGets);

    Kvt7Controller controller;
    controller.receive(beforeLeaving);
    controller.discardPartialInput();
    QCOMPARE(feed(controller, {nextHostSends}).bytes, nextHostGets);
}

QTEST_GUILESS_MAIN(TestKvt7Controller)
#include "tst_kvt7controller.moc"
