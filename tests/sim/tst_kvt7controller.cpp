#include "sim/Kvt7Controller.h"

#include <QTest>

using namespace kvt::sim;

namespace {

const QByteArray homePosition = "POS=+0000000\r\n>";

} // namespace

class TestKvt7Controller : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersEveryLine_data();
    void answersEveryLine();
};

void TestKvt7Controller::answersEveryLine_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArray>("replies");

    const QByteArray ok = "OK\r\n>";
    const QByteArray refused = "ERR\r\n>";
    const QByteArray notACommand = "?\r\n>";
    using Pieces = QByteArrayList;
    QTest::newRow("position at power-on") << Pieces{"POS\r"} << homePosition;
    QTest::newRow("moved position") << Pieces{"G00,+1234\rPOS\r"} << ok + "POS=+0001234\r\n>";
    QTest::newRow("moves add up, sign optional")
        << Pieces{"G00,100\rG00,-350\rPOS\r"} << ok + ok + "POS=-0000250\r\n>";
    QTest::newRow("move past the limit stays put")
        << Pieces{"G00,-9999999\rG00,-1\rPOS\r"} << ok + refused + "POS=-9999999\r\n>";
    QTest::newRow("move without steps") << Pieces{"G00\r"} << refused;
    QTest::newRow("move with sign only") << Pieces{"G00,-\r"} << refused;
    QTest::newRow("move with letters") << Pieces{"G00,1A\r"} << refused;
    QTest::newRow("set position") << Pieces{"G00,500\rG92,-20\rPOS\r"}
                                  << ok + ok + "POS=-0000020\r\n>";
    QTest::newRow("position with argument") << Pieces{"POS,1\r"} << refused;
    QTest::newRow("setup") << Pieces{"DSP\r"}
                           << QByteArray("PROF=100,1000,500\r\nPROFH=200\r\nJOG=100\r\nDIR=CW\r\n"
                                         "SEN=NO\r\n>");
    QTest::newRow("command not modelled") << Pieces{"PROF,100,2000,300\r"} << ok;
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
        << Pieces{"G0", "0,7\rPO", "S", "\r"} << ok + "POS=+0000007\r\n>";
    QTest::newRow("CR LF is one line end") << Pieces{"POS\r\n"} << homePosition;
    QTest::newRow("LF alone") << Pieces{"\n", "\n"} << QByteArray();
    QTest::newRow("no CR yet") << Pieces{"POS"} << QByteArray();
}

void TestKvt7Controller::answersEveryLine()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, replies);

    Kvt7Controller controller;
    QByteArray received;
    qsizetype replyCount = 0;
    for (const QByteArray& piece : pieces) {
        for (const Reply& reply : controller.receive(piece)) {
            QVERIFY(reply.bytes.endsWith('>'));
            QCOMPARE(reply.delay.count(), 0);
            received += reply.bytes;
            ++replyCount;
        }
    }
    QCOMPARE(received, replies);
    // One reply per line, each ending with the prompt the host waits for.
    QCOMPARE(replyCount, pieces.join().count('\r'));
}

QTEST_GUILESS_MAIN(TestKvt7Controller)
#include "tst_kvt7controller.moc"
