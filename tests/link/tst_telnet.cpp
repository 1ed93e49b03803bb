#include "link/NetworkAddress.h"
#include "link/QtSerialPort.h"
#include "link/TelnetCodec.h"

#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <atomic>

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
    void serverIsTakenAtItsWord_data();
    void serverIsTakenAtItsWord();
};

namespace {

// An RFC 2217 server in a thread of its own, as the port waits for its answers
// on this one. It answers every setting with the value asked, or another.
class ScriptedServer : public QTcpServer {
public:
    quint32 answeredBaud = 0; // 0: the baud asked
    bool refusesSettings = false;
    bool silent = false;
    bool raw = false; // no Telnet: bytes as they are
    QByteArray data;  // what arrived as the line's data
    std::atomic<bool> dataArrived = false;

    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            QList<Command> commands;
            const QByteArray bytes = socket->readAll();
            data += raw ? bytes : m_reader.read(bytes, &commands);
            dataArrived = data.endsWith('!');
            for (const Command& c : commands) {
                if (silent)
                    continue;
                if (c.verb == telnet::will && c.option == telnet::comPortOption)
                    socket->write(telnet::negotiation(refusesSettings ? telnet::dont : telnet::doIt,
                                                      c.option));
                if (c.verb != telnet::sb || refusesSettings)
                    continue;
                const auto code = quint8(c.parameters.at(0));
                const QByteArray value = code == rfc2217::setBaudRate && answeredBaud
                                             ? rfc2217::baudValue(answeredBaud)
                                             : c.parameters.mid(1);
                socket->write(rfc2217::command(code + rfc2217::serverReply, value));
            }
        });
    }

private:
    telnet::Reader m_reader;
};

} // namespace

void TestTelnet::readerSeparatesDataAndCommands_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<Command>>("commands");
    const QByteArray iac(1, '\xff');
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
    QVERIFY(found == commands);
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

void TestTelnet::serverIsTakenAtItsWord_data()
{
    QTest::addColumn<quint32>("answeredBaud");
    QTest::addColumn<bool>("refusesSettings");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("told"); // empty: taken
    QTest::addColumn<QString>("inEffect");
    QTest::addColumn<QString>("kind"); // empty: rfc2217
    QTest::newRow("taken") << 0u << false << false << QString() << "4800,E,7,2" << QString();
    // Nothing asked of the server, and nothing escaped.
    QTest::newRow("raw tcp") << 0u << false << false << QString()
                             << "line settings as set on the server"
                             << "tcp";
    QTest::newRow("speed refused")
        << 9600u << false << false
        << "%1 does not take 4800 baud; it runs with 9600,E,7,2, and the controller must be set "
           "to the same."
        << "9600,E,7,2" << QString();
    QTest::newRow("no RFC 2217") << 0u << true << false
                                 << "The server at %2 takes no line settings over RFC 2217: set "
                                    "them on the server and use tcp://%2 instead."
                                 << QString() << QString();
    QTest::newRow("no answer") << 0u << false << true
                               << "The server at %2 did not confirm the line settings within 2 "
                                  "s: the line may not run as chosen."
                               << QString() << QString();
}

void TestTelnet::serverIsTakenAtItsWord()
{
    QFETCH(quint32, answeredBaud);
    QFETCH(bool, refusesSettings);
    QFETCH(bool, silent);
    QFETCH(QString, told);
    QFETCH(QString, inEffect);
    QFETCH(QString, kind);
    QThread thread;
    auto* server = new ScriptedServer;
    server->raw = kind == QLatin1String("tcp");
    server->answeredBaud = answeredBaud;
    server->refusesSettings = refusesSettings;
    server->silent = silent;
    QVERIFY(server->listen(QHostAddress::LocalHost));
    server->moveToThread(&thread);
    connect(&thread, &QThread::finished, server, &QObject::deleteLater);
    thread.start();
    const auto stopServer = qScopeGuard([&] {
        thread.quit();
        thread.wait();
    });
    const QString hostAndPort = QStringLiteral("127.0.0.1:%1").arg(server->serverPort());
    PortMap map;
    map.setDevice(1, (server->raw ? QStringLiteral("tcp://") : QStringLiteral("rfc2217://")) +
                         hostAndPort);
    QtSerialPort port(map);
    QVERIFY2(port.open(1), qPrintable(port.errorString()));
    port.setHandshaking(Handshaking::RtsCts);
    const bool taken = port.setSettings(QStringLiteral("4800,E,7,2"));
    QCOMPARE(
        taken ? QString() : port.errorString(),
        told.replace(QLatin1String("%1"), map.device(1)).replace(QLatin1String("%2"), hostAndPort));
    QCOMPARE(port.settingsInEffect(), inEffect);
    // Telnet's command byte goes out doubled and arrives as one data byte.
    QVERIFY(port.write("a\xff") && port.write("!"));
    QVERIFY(QTest::qWaitFor([&] { return server->dataArrived.load(); }));
    QCOMPARE(server->data, QByteArray("a\xff!"));
}

QTEST_GUILESS_MAIN(TestTelnet)
#include "tst_telnet.moc"
