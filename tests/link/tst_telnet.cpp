#include "link/NetworkAddress.h"
#include "link/TelnetCodec.h"

#include <QTest>

using namespace kvt;
using Command = telnet::Reader::Command;

Q_DECLARE_METATYPE(QList<Command>)

// The framing spoken to serial device servers, and the addresses that name them.
class TestTelnet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readerSeparatesDataAndCommands_data();
    void readerSeparatesDataAndCommands();
    void everyByteSurvivesTheFraming();
    void addresses_data();
    void addresses();
};

void TestTelnet::readerSeparatesDataAndCommands_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<Command>>("commands");
    const QByteArray iac(1, '\xff');
    QTest::newRow("doubled 0xFF is data") << QByteArrayList{"a" + iac + iac + "b"}
                                          << QByteArray("a\xff"
                                                        "b")
                                          << QList<Command>{};
    QTest::newRow("0xFF split over two reads") << QByteArrayList{"a" + iac, iac + "b"}
                                               << QByteArray("a\xff"
                                                             "b")
                                               << QList<Command>{};
    QTest::newRow("negotiation between data, split")
        << QByteArrayList{"x" + iac, "\xfb", "\x03y"} << QByteArray("xy")
        << QList<Command>{{telnet::will, telnet::suppressGoAhead, {}}};
    QTest::newRow("settings reply with an escaped 0xFF")
        << QByteArrayList{iac + QByteArray("\xfa\x2c\x65\x00\x00", 5) + iac + iac + iac + "\xf0>"}
        << QByteArray(">")
        << QList<Command>{{telnet::sb, telnet::comPortOption, QByteArray("\x65\x00\x00\xff", 4)}};
    QTest::newRow("no-operation dropped")
        << QByteArrayList{"a" + iac + "\xf1" + "b"} << QByteArray("ab") << QList<Command>{};
    QTest::newRow("broken subnegotiation gives the rest back as data")
        << QByteArrayList{iac + "\xfa\x2c\x65" + iac + "Zok"} << QByteArray("ok")
        << QList<Command>{};
    QTest::newRow("endless subnegotiation is bounded")
        << QByteArrayList{iac + "\xfa\x2c" + QByteArray(100000, 'q') + iac + "\xf0!"}
        << QByteArray("!")
        << QList<Command>{{telnet::sb, telnet::comPortOption,
                           QByteArray(telnet::Reader::subnegotiationLimit, 'q')}};
}

void TestTelnet::readerSeparatesDataAndCommands()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QByteArray, data);
    QFETCH(QList<Command>, commands);
    telnet::Reader reader;
    QByteArray read;
    QList<Command> found;
    for (const QByteArray& piece : pieces)
        read += reader.read(piece, &found);
    QCOMPARE(read, data);
    QCOMPARE(found.size(), commands.size());
    for (qsizetype i = 0; i < found.size(); ++i)
        QVERIFY(found.at(i) == commands.at(i));
}

void TestTelnet::everyByteSurvivesTheFraming()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    all += all;
    telnet::Reader reader;
    QList<Command> commands;
    const QByteArray framed = telnet::escaped(all);
    QCOMPARE(framed.size(), all.size() + 2);
    // One byte a read, the worst a network can split it.
    QByteArray read;
    for (const char c : framed)
        read += reader.read(QByteArray(1, c), &commands);
    QCOMPARE(read, all);
    QVERIFY(commands.isEmpty());
}

void TestTelnet::addresses_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("parsed"); // the address written back, or the reason
    QTest::newRow("rfc2217") << "rfc2217://plc-7.example:2217"
                             << "rfc2217://plc-7.example:2217";
    QTest::newRow("socket is raw tcp, any case") << "SOCKET://10.0.0.5:4001"
                                                 << "tcp://10.0.0.5:4001";
    QTest::newRow("ipv6") << "tcp://[::1]:7000"
                          << "tcp://[::1]:7000";
    QTest::newRow("trailing slash") << "rfc2217://host:1/"
                                    << "rfc2217://host:1";
    QTest::newRow("no port") << "rfc2217://host"
                             << "the TCP port (1 to 65535) is missing";
    QTest::newRow("port too big") << "rfc2217://host:65536"
                                  << "the TCP port";
    QTest::newRow("no host") << "tcp://:4001"
                             << "the host is missing";
    QTest::newRow("path") << "tcp://host:4001/ttyS0"
                          << "only a host and a port";
    QTest::newRow("unknown kind") << "ssh://host:22"
                                  << "\"ssh\" is not a kind of port";
}

void TestTelnet::addresses()
{
    QFETCH(QString, device);
    QFETCH(QString, parsed);
    QVERIFY(NetworkAddress::looksLikeNetwork(device));
    QString error;
    const auto address = NetworkAddress::parse(device, &error);
    if (address)
        QCOMPARE(address->toString(), parsed);
    else
        QVERIFY2(error.startsWith(device + QStringLiteral(" is not a network port: ")) &&
                     error.contains(parsed),
                 qPrintable(error));
}

QTEST_GUILESS_MAIN(TestTelnet)
#include "tst_telnet.moc"
