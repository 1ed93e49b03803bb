#include "sim/BlockController.h"

#include <QTest>

using namespace kvt::sim;
using namespace std::chrono_literals;

class TestSimBlock : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void session_data();
    void session();
};

void TestSimBlock::session_data()
{
    QTest::addColumn<ControllerSettings>("settings");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QStringList>("told"); // each in one of the notices

    QTest::newRow("each kind down and back as it came; LF and empty lines skipped")
        << ControllerSettings{}
        << QByteArray("S00\rM31,2\r\nCW\r\rEND\rS01\rP1,100\rEND\rS02\rX1\r"
                      "END\rS05\rS03\rS04\r")
        << QByteArray("X1\rEND\rM31,2\rCW\rEND\rP1,100\rEND\r") << QStringList{};
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

    QByteArray fits;
    for (int i = 0; i < BlockController::maxBlockLines; ++i)
        fits += QByteArray::number(i).leftJustified(BlockController::maxLineLength, 'F') + '\r';
    const QByteArray overlong(BlockController::maxLineLength + 1, 'L');
    QTest::newRow("as much as fits; a line too many or too long stores nothing")
        << ControllerSettings{}
        << "S01\r" + fits + "END\rS01\r" + fits + "A\rEND\rS01\rB\r" + overlong + "\rC1\rEND\rS04\r"
        << fits + "END\r"
        << QStringList{"refused, more than 1000 lines", "refused, a line over 80 characters"};

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

void TestSimBlock::session()
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

QTEST_GUILESS_MAIN(TestSimBlock)
#include "tst_simblock.moc"
