#include "support/SimProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using kvt::test::slowMachineMs;

namespace {

// A host on the slave side, with plain POSIX calls, so the simulator is
// tested without the serial link library in between.
struct Host {
    explicit Host(const QString& device)
        : fd(::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~Host() { ::close(fd); }
    bool send(const QByteArray& bytes) const
    {
        return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // Everything read so far.
    QByteArray received()
    {
        char buffer[1024];
        for (ssize_t count; (count = ::read(fd, buffer, sizeof buffer)) > 0;)
            input.append(buffer, count);
        return input;
    }
    const int fd;
    QByteArray input;
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSimPty : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void kvtsim_data();
    void kvtsim();

private:
    QTemporaryDir m_dir;
};

void TestSimPty::kvtsim_data()
{
    QTest::addColumn<QStringList>("arguments"); // %dir: the test's own folder
    QTest::addColumn<int>("signalNumber");      // 0: kvtsim must not start
    QTest::addColumn<int>("exitCode");

    const QStringList running{"--link", "%dir/kvt7"};
    QTest::newRow("SIGTERM, replies delayed, byte by byte, with pauses")
        << running +
               QStringList{"--reply-delay", "20", "--char-delay", "1", "--listing-pause", "30"}
        << SIGTERM << 0;
    QTest::newRow("SIGHUP") << running << SIGHUP << 0;
    QTest::newRow("file where the link goes") << QStringList{"--link", "%dir/occupied"} << 0 << 1;
    QTest::newRow("log in a missing folder") << QStringList{"--log", "%dir/no/log"} << 0 << 1;
    QTest::newRow("model not simulated") << QStringList{"--model", "kvt99"} << 0 << 2;
}

// kvtsim lives until a signal and takes its link along; a run that cannot
// start prints no device line, so whoever waits for one sees the failure.
void TestSimPty::kvtsim()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, signalNumber);
    QFETCH(int, exitCode);

    const QString link = m_dir.filePath(QStringLiteral("kvt7"));
    QFile::remove(link);
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/no-such-device"), link)); // left over
    QFile occupied(m_dir.filePath(QStringLiteral("occupied")));
    QVERIFY(occupied.open(QIODevice::WriteOnly) && occupied.write("keep me") == 7);
    occupied.close();

    QProcess kvtsim;
    kvtsim.start(QStringLiteral(KVTSIM_PATH),
                 QStringList{"--no-banner"} + arguments.replaceInStrings("%dir", m_dir.path()));
    if (signalNumber != 0) {
        kvtsim.closeWriteChannel(); // the end of its input does not end kvtsim
        QTRY_VERIFY_WITH_TIMEOUT(kvtsim.canReadLine(), slowMachineMs);
        QCOMPARE(QFile::symLinkTarget(link), QString::fromLocal8Bit(kvtsim.readLine()).trimmed());
        Host host(link);
        QVERIFY(host.send("M31,3\rG00,+2000\rM21+\rM30\rDP3\r"));
        QTRY_COMPARE_WITH_TIMEOUT(host.received(),
                                  QByteArray("OK\r\n>").repeated(4) +
                                      "DP3\r\n#3\r\nG00,+2000\r\n\r\n>M21+\r\n\r\n>M30\r\n\r\n>",
                                  slowMachineMs);
        ::kill(pid_t(kvtsim.processId()), signalNumber);
    }
    QTRY_COMPARE_WITH_TIMEOUT(kvtsim.state(), QProcess::NotRunning, slowMachineMs);
    QCOMPARE(kvtsim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kvtsim.exitCode(), exitCode);
    QCOMPARE(contents(occupied.fileName()), QByteArray("keep me"));
    if (signalNumber == 0) {
        QCOMPARE(kvtsim.readAllStandardOutput(), QByteArray());
        return;
    }
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "tst_simpty.moc"
