#include "kvt7/Kvt7Window.h"
#include "support/DeviceServer.h"
#include "support/SimWindowRig.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::DeviceServer;
using kvt::test::SimProcess;
using kvt::test::slowMachineMs;

// Controllers behind ser2net, a real serial device server, on loopback:
// kvtsim's pty is the server's serial line.
class TestE2eNetwork : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void transfersAndSettingsReachTheLine_data();
    void transfersAndSettingsReachTheLine();
    void keypadDownloadFollowsTheKeys();
    void unreachableServersAreNamed();
    void serverStoppedMidTransferEndsTheRun();
    void windowTellsTheDropAndReconnects();

private:
    QString file(const QString& name, const QByteArray& bytes);
    QTemporaryDir m_dir;
};

namespace {

struct Run {
    int status = -1;
    QByteArray err;
};

// kvtcomm's headless command; progress, when given, is called with standard
// error as it grows until it returns true.
Run kvtcomm(const QStringList& arguments,
            const std::function<bool(const QByteArray&)>& progress = {})
{
    QProcess process;
    process.setProgram(QStringLiteral(KVTCOMM_PATH));
    process.setArguments(arguments);
    process.setReadChannel(QProcess::StandardError);
    process.start();
    QByteArray err;
    while (progress && !progress(err) && process.waitForReadyRead(slowMachineMs))
        err += process.readAllStandardError();
    if (!process.waitForFinished(2 * slowMachineMs))
        return {};
    return {process.exitCode(), err + process.readAllStandardError()};
}

QByteArray record(const QByteArray& text)
{
    return '"' + text + "\"\r\n";
}

// What the pty's termios says: speed, then the flags that matter here.
QString lineOf(const QString& device)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    const bool read = fd >= 0 && ::tcgetattr(fd, &t) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!read)
        return QStringLiteral("unreadable");
    return QStringLiteral("%1%2%3")
        .arg(cfgetospeed(&t) == B4800   ? "4800"
             : cfgetospeed(&t) == B9600 ? "9600"
                                        : "other")
        .arg((t.c_cflag & CSTOPB) ? " 2 stop" : "")
        .arg((t.c_cflag & CRTSCTS) ? " rts/cts" : "");
}

} // namespace

QString TestE2eNetwork::file(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

void TestE2eNetwork::transfersAndSettingsReachTheLine_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("program"); // empty: the controller holds it already
    QTest::addColumn<QByteArray>("back");
    QTest::addColumn<QString>("line"); // the pty's termios while the download runs
    QByteArray blocks = "M31,1\r\n";
    for (int i = 0; i < 40; ++i)
        blocks += "G00,+" + QByteArray::number(1000 + i) + "\r\n";
    QTest::newRow("kvt7") << QStringList{"--model", "kvt7", "--no-banner"}
                          << QStringList{"--model", "kvt7", "--program", "2"}
                          << QByteArray("M31,2\r\nG00,+100 to the stop\r\nG27\r\nM30\r\n")
                          << QByteArray("M31,2\r\nG00,+100\r\nG27\r\nM30\r\n") << QString();
    QTest::newRow("kvt54 4800,N,8,2") << QStringList{"--model", "kvt54"}
                                      << QStringList{"--model", "kvt54", "--settings", "4800,N,8,2"}
                                      << blocks << blocks << QStringLiteral("4800 2 stop rts/cts");
    // Byte 0xFF is Telnet's command byte: it must arrive as data.
    const QByteArray stored = "M31,3\r\nG00,+100\xff\r\nM30\r\n";
    QTest::newRow("px52 sends 0xFF")
        << QStringList{"--model", "px52", "--stored-program", file("stored.txt", stored)}
        << QStringList{"--model", "px52"} << QByteArray() << stored << QString();
}

void TestE2eNetwork::transfersAndSettingsReachTheLine()
{
    QFETCH(QStringList, simArguments);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, back);
    QFETCH(QString, line);
    SimProcess sim(simArguments);
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    DeviceServer server(sim.device());
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    options << QStringLiteral("--port") << server.url() << QStringLiteral("--timeout")
            << QString::number(slowMachineMs / 1000);
    if (!program.isEmpty()) {
        QString lineDuringDownload;
        const Run r = kvtcomm(
            QStringList{"download", "--verify", file(QStringLiteral("prg.txt"), record(program))} +
                options,
            [&](const QByteArray& err) {
                if (line.isEmpty() || !err.contains(" 3 of "))
                    return line.isEmpty();
                lineDuringDownload = lineOf(sim.device());
                return true;
            });
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(lineDuringDownload, line);
    }
    const QString out = m_dir.filePath(QStringLiteral("back.txt"));
    const Run r = kvtcomm(QStringList{"upload", "-o", out} + options);
    QVERIFY2(r.status == 0, r.err.constData());
    QFile uploaded(out);
    QVERIFY(uploaded.open(QIODevice::ReadOnly));
    QCOMPARE(uploaded.readAll(), record(back));
}

void TestE2eNetwork::keypadDownloadFollowsTheKeys()
{
    SimProcess sim({"--model", "kvt33", "--keys", "NO,+/-,+/-,ENT,+/-,ENT,ENT,5,ENT"});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    DeviceServer server(sim.device());
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(sim.waitForDisplay(QStringLiteral("Receiving  Program")));
    const Run r = kvtcomm({"download", "--model", "kvt33", "--port", server.url(),
                           file(QStringLiteral("keypad.txt"), "m31,5\r\ng00,+1000\r\nM30")});
    QVERIFY2(r.status == 0, r.err.constData());
    QVERIFY(sim.waitForDisplay(QStringLiteral("Program 5 Stored")));
    QCOMPARE(sim.receivedBytes(), QByteArray("M31,5\rG00,+1000\rM30\rEND\r"));
}

void TestE2eNetwork::unreachableServersAreNamed()
{
    QTcpServer probe; // listens only long enough to find a port nobody serves
    probe.listen(QHostAddress::LocalHost);
    const QString closed = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
    probe.close();
    const Run r = kvtcomm({"send", "--model", "kvt7", "--port", "rfc2217://" + closed, "--port",
                           "socket://127.0.0.1", "pos"});
    QCOMPARE(r.status, 3);
    for (const QString& told :
         {"Cannot connect to " + closed + ": Connection refused",
          QStringLiteral("socket://127.0.0.1 is not a network port: the TCP port (1 to 65535) is "
                         "missing")})
        QVERIFY2(r.err.contains(told.toLocal8Bit()), r.err.constData());
}

void TestE2eNetwork::serverStoppedMidTransferEndsTheRun()
{
    SimProcess sim({"--model", "kvt54"});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    DeviceServer server(sim.device());
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QByteArray lines = "M31,1\r\n";
    for (int i = 0; i < 200; ++i)
        lines += "G00,+" + QByteArray::number(1000 + i) + "\r\n";
    const Run r = kvtcomm({"download", "--model", "kvt54", "--port", server.url(),
                           file(QStringLiteral("long.txt"), lines)},
                          [&](const QByteArray& err) {
                              if (!err.contains(": 3 of 201 lines sent"))
                                  return false;
                              server.stop();
                              return true;
                          });
    QCOMPARE(r.status, 7);
    QVERIFY2(r.err.contains("The server at " + server.url().mid(10).toLocal8Bit() +
                            " closed the connection."),
             r.err.right(300).constData());
}

void TestE2eNetwork::windowTellsTheDropAndReconnects()
{
    SimProcess sim({"--model", "kvt7", "--no-banner"});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    DeviceServer server(sim.device());
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    kvt::test::ScriptedOperator op;
    Timings timings;
    timings.deviceWatch = 50ms;
    const auto window = kvt::test::openWindowOn(QStringLiteral("kvt7"), server.url(), op, timings);
    QVERIFY(sim.waitForHost());
    auto* portLabel = window->findChild<QLabel*>(QStringLiteral("lblport"));
    QCOMPARE(portLabel->text(), "COM1 " + server.url() + ": open, 9600,N,8,1");
    window->findChild<QAction*>(QStringLiteral("mnutraffic"))->trigger();
    QCOMPARE(window->findChild<QWidget*>(QStringLiteral("frmtraffic"))->windowTitle(),
             "Traffic Log - COM1 " + server.url());

    auto* kvt7 = static_cast<Kvt7Window*>(window.get());
    kvt7->activateEditor();
    QString text = QStringLiteral("M31,2\r\n");
    for (int i = 0; i < 60; ++i)
        text += QStringLiteral("G00,+%1\r\n").arg(1000 + i);
    window->findChild<QPlainTextEdit*>(QStringLiteral("txteditor"))->setPlainText(text);
    window->findChild<QAction*>(QStringLiteral("mnudownload"))->trigger();
    QVERIFY(QTest::qWaitFor([&] { return sim.receivedBytes().contains("G00,+1001\r"); },
                            slowMachineMs));
    server.stop();
    QVERIFY(QTest::qWaitFor([&] { return !window->transferRunning(); }, slowMachineMs));
    QVERIFY2(op.messages.size() >= 2, "no failure box");
    QVERIFY2(op.messages.last().text.contains("closed the connection"),
             qPrintable(op.messages.last().text));

    const QByteArray cut = sim.receivedBytes();
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(sim.waitForHost());
    QTRY_COMPARE_WITH_TIMEOUT(portLabel->text(),
                              "COM1 " + server.url() + ": back and open again, 9600,N,8,1",
                              slowMachineMs);
    QCOMPARE(sim.receivedBytes(), cut); // the cut transfer stays stopped
}

QTEST_MAIN(TestE2eNetwork)
#include "tst_e2e_network.moc"
