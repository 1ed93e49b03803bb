#include "sim/BlockController.h"
#include "sim/FaultInjector.h"
#include "sim/KeypadController.h"
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

// Every line of a listing is followed by an empty one and the prompt.
QByteArray listing(char number, const QByteArrayList& lines)
{
    const QByteArray n(1, number);
    return " DP" + n + "|#" + n + "|" + (lines + QByteArrayList{"M30"}).join("| ") + "| ";
}

const QString home = QStringLiteral("KVT33 READY");
const QByteArray toUpload = "NO +/- +/- ENT ENT ENT ";

// The displays on the way to "Program Number ? <digits>", then those given.
QStringList path(bool upload, const QString& digits, const QStringList& then)
{
    QStringList shown{"Edit Program", "Set Parameters", "External Communication", "UPLOAD ?"};
    shown += upload ? QStringList{"UPLOAD  PROGRAM ?"}
                    : QStringList{"DOWNLOAD ?", "DOWNLOAD  PROGRAM ?"};
    shown += "Program Number ?";
    for (qsizetype i = 1; i <= digits.size(); ++i)
        shown += "Program Number ? " + digits.left(i);
    return shown + then;
}
QStringList stored(const QString& n)
{
    return path(false, n, {"Receiving  Program", "Program " + n + " Stored", home});
}
QStringList sent(const QString& n)
{
    return path(true, n, {"UPLOAD  READY  ?", "Program " + n + " Sent", home});
}

} // namespace

class TestSimController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersEveryLine_data();
    void answersEveryLine();
    void injectsFaults_data();
    void injectsFaults();
    void keypadSession();
    void blockSession_data();
    void blockSession();
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
    row("malformed moves", {"G00,5\rG00\rG10\rG15\rG16\rG92\rG10,-\rG00,1A\rG00,12345678\rPOS\r"},
        "OK ERR ERR ERR ERR ERR ERR ERR ERR POS=+0000005");
    // The POS after the bad M31 lines shows no download was started.
    row("program numbers out of range", {"TRG4\rDELP-1\rDP\rDP01\rM31,4\rM31\rM30\rPOS\r"},
        QByteArray("ERR ").repeated(7) + "POS=+0000000");
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

// Program 12 by its keys and the line, then sent twice: split anywhere, LF and empty lines
// skipped, stored as sent, keys in any case; a reply delay before an upload, and the second
// upload goes through the controller unheard.
void TestSimController::keypadSession()
{
    const QByteArrayList steps{"no,+/-,+/-,ent,+/-,ent,ent,1,2,ent",
                               "@m31,7 \r\nG0",
                               "@0,+100\r\r",
                               "@M2",
                               "@1+\rEN",
                               "@D\rM31,9\r",
                               toUpload + "12 ENT ENT",
                               toUpload + "12 ENT ENT"};
    const QStringList displays = stored("12") + sent("12") + sent("12");
    const Faults faults{.silentAfter = 1, .replyDelay = 250ms};
    FaultInjector controller(std::make_unique<KeypadController>(QStringLiteral("KVT33")), faults);
    Keypad* keypad = controller.keypad();
    QVERIFY(keypad && controller.greeting().isEmpty());
    QStringList shown;
    QByteArray received;
    for (const QByteArray& step : steps) {
        Replies replies;
        if (step.startsWith('@')) {
            QCOMPARE(controller.receive(step.mid(1)), Replies{}); // never answers the line
        } else {
            const KeyScript script = parseKeys(QString::fromLatin1(step));
            QVERIFY(script.unknown.isEmpty());
            for (const Key key : script.keys)
                replies += keypad->press(key);
        }
        shown += keypad->takeDisplayChanges();
        // As a 1200 baud line delivers it: 12 bytes every 100 ms, one answer.
        for (qsizetype i = 0; i < replies.size(); ++i) {
            QVERIFY(replies[i].bytes.size() <= 12);
            QCOMPARE(replies[i].delay, i == 0 ? faults.replyDelay : 100ms);
            QCOMPARE(replies[i].continuesAnswer, i > 0);
            received += replies[i].bytes;
        }
    }
    QCOMPARE(shown, displays);
    QCOMPARE(received, QByteArray("m31,7 \rG00,+100\rM21+\rEND\r"));
    QCOMPARE(keypad->display(), displays.constLast());
}

void TestSimController::blockSession_data()
{
    QTest::addColumn<ControllerSettings>("settings");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QStringList>("told"); // each in one of the notices

    QTest::newRow("a download replaces its own kind only; a kind never stored is sent empty")
        << ControllerSettings{} << QByteArray("S00\rA1\rEND\rS00\rB1\rB2\rEND\rS03\rS04\r")
        << QByteArray("B1\rB2\rEND\rEND\r") << QStringList{"position data block never stored"};
    // The C comes without CR, so the next command is what ends its line.
    QTest::newRow("C alone or before a command abandons, also right after S0x")
        << ControllerSettings{}
        << QByteArray("S00\rC1\rEND\rS00\rX1\rCS03\rS00\rX2\rC\rS03\rS01\rCS04\rCS03\r")
        << QByteArray("C1\rEND\r").repeated(2) + "END\rC1\rEND\r"
        << QStringList{"PX52: program block abandoned, cancelled by the host",
                       "position data block abandoned, cancelled by the host"};
    QTest::newRow("lines outside a block ignored; S0x inside one abandons it")
        << ControllerSettings{}
        << QByteArray("XX\rEND\rs00\rS06\rS0\rS00\rA1\rEND\rS00\rB1\rS01\rP1\rEND\rS02\rQ1\rS03\r"
                      "S05\rS04\r")
        << QByteArray("A1\rEND\rEND\rP1\rEND\r")
        << QStringList{"program block abandoned, cut off by S01"};

    QTest::newRow("echo: every line taken, not what is ignored, a cancel or an upload")
        << ControllerSettings{.echoLines = true}
        << QByteArray("XX\rS02\rV1\r\rEND\rS02\rV2\rCS05\r")
        << QByteArray("OK\r").repeated(5) + "V1\rEND\r" << QStringList{};
    QTest::newRow("corrupt line 2: a digit to the next, others to X, X to Y; short blocks kept")
        << ControllerSettings{.corruptLine = 2}
        << QByteArray("S00\rM31,2\rG9\rG1\rEND\rS03\rS01\rPA\rPX\rEND\rS02\rR1\rRB\rEND\rS00\r"
                      "A1\rEND\rS04\rS05\rS03\r")
        << QByteArray("M31,2\rG0\rG1\rEND\rPA\rPY\rEND\rR1\rRX\rEND\rA1\rEND\r")
        << QStringList{"line 2 changed to G0"};
}

void TestSimController::blockSession()
{
    QFETCH(ControllerSettings, settings);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, told);

    // The same whatever pieces the tty hands the bytes over in.
    for (const qsizetype pieceSize : {sent.size(), qsizetype(1), qsizetype(2), qsizetype(7)}) {
        BlockController controller(QStringLiteral("PX52"), settings);
        QByteArray received;
        for (qsizetype at = 0; at < sent.size(); at += pieceSize) {
            for (const Reply& reply : controller.receive(sent.mid(at, pieceSize))) {
                // As a 9600 baud line delivers an upload: 8 bytes every 8 ms, one answer.
                QVERIFY(reply.bytes.size() <= BlockController::uploadPieceSize);
                QCOMPARE(reply.delay, reply.continuesAnswer ? 8ms : 0ms);
                received += reply.bytes;
            }
        }
        QCOMPARE(received, expected);
        const QString notices = controller.takeNotices().join(u'\n');
        for (const QString& text : told)
            QVERIFY2(notices.contains(text), qPrintable(notices));
    }
}

QTEST_GUILESS_MAIN(TestSimController)
#include "tst_simcontroller.moc"
