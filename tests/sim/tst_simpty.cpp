#include "sim/FaultInjector.h"
#include "sim/Kvt7Controller.h"
#include "sim/ReceiveLog.h"
#include "sim/Simulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace kvt::sim;
using std::chrono::milliseconds;

namespace {

const QByteArray homePosition = "POS=+0000000\r\n>";
const QByteArray banner = "KVT7 SIMULATOR READY\r\n>";

// A host on the slave side, with plain POSIX calls, so the simulator is
// tested without the serial link library in between.
class PtyClient : public QObject {
    Q_OBJECT
public:
    ~PtyClient() override { close(); }

    bool open(const QString& device)
    {
        m_fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &PtyClient::readSlave);
        return true;
    }
    void close()
    {
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool write(const QByteArray& bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // When not reading, replies stay on the line; received() only tells they came.
    void setReading(bool reading) { m_reading = reading; }
    // Waits in the event loop until count bytes came in, then hands them over.
    QByteArray take(qsizetype count)
    {
        QSignalSpy spy(this, &PtyClient::received);
        while (m_input.size() < count && spy.wait(5000)) {
        }
        return std::exchange(m_input, {});
    }

Q_SIGNALS:
    void received();

private:
    void readSlave()
    {
        char buffer[1024];
        const ssize_t count = m_reading ? ::read(m_fd, buffer, sizeof buffer) : 0;
        if (count > 0)
            m_input.append(buffer, count);
        else if (count == 0 || errno != EAGAIN) // not reading, or the master is gone
            m_notifier->setEnabled(false);
        Q_EMIT received();
    }

    int m_fd = -1;
    bool m_reading = true;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_input;
};

std::unique_ptr<Simulator> startedSimulator(std::unique_ptr<Controller> controller,
                                            std::optional<milliseconds> bannerDelay = {},
                                            ReceiveLog* log = nullptr)
{
    auto simulator = std::make_unique<Simulator>(std::move(controller));
    simulator->setBannerDelay(bannerDelay);
    simulator->setReceiveLog(log);
    QString error;
    if (simulator->start(&error))
        return simulator;
    qWarning("%s", qPrintable(error));
    return nullptr;
}

// Waits for kvtsim's first line: the device, once it and its link exist.
QString startKvtsim(QProcess& process, const QStringList& arguments)
{
    QSignalSpy output(&process, &QProcess::readyReadStandardOutput);
    process.start(QStringLiteral(KVTSIM_PATH), arguments);
    while (!process.canReadLine()) {
        if (!output.wait(10000))
            return {};
    }
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

// How the host reads a listing back into program text: the echo and the six
// bytes after it dropped, every ">" removed with the two bytes before it,
// everything after "M30" CR LF cut off, and the M31 line put in front.
QByteArray hostUpload(QByteArray listing, char number)
{
    listing.remove(0, listing.indexOf("DP") + 9);
    for (qsizetype prompt; (prompt = listing.indexOf('>')) >= 2;)
        listing.remove(prompt - 2, 3);
    listing.truncate(listing.indexOf("M30") + 5);
    return "M31," + QByteArray(1, number) + "\r\n" + listing;
}

bool waitForExit(QProcess& process)
{
    QSignalSpy finished(&process, &QProcess::finished);
    return process.state() == QProcess::NotRunning || finished.wait(10000);
}

} // namespace

class TestSimPty : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answersThroughThePty();
    void greetsEveryHostThatOpens();
    void dropsRepliesMeantForAHostThatLeft_data();
    void dropsRepliesMeantForAHostThatLeft();
    void ignoresAHostThatCameAndWentUnnoticed();
    void logsEveryReceivedByte();
    void downloadsAndListsAProgram_data();
    void downloadsAndListsAProgram();
    void removesLinkOnSignal_data();
    void removesLinkOnSignal();
    void failsWithoutADevice_data();
    void failsWithoutADevice();

private:
    QTemporaryDir m_dir;
};

void TestSimPty::answersThroughThePty()
{
    const auto simulator = startedSimulator(std::make_unique<Kvt7Controller>());
    QVERIFY(simulator);
    PtyClient host;
    QVERIFY(host.open(simulator->deviceName()));
    QVERIFY(host.write("G00,-42\rPOS\r"));
    // Exact bytes: an echo, CR/LF translation or a stray banner would show.
    const QByteArray replies = "OK\r\n>POS=-0000042\r\n>";
    QCOMPARE(host.take(replies.size()), replies);
}

void TestSimPty::greetsEveryHostThatOpens()
{
    const auto simulator = startedSimulator(std::make_unique<Kvt7Controller>(), milliseconds{0});
    QVERIFY(simulator);
    QSignalSpy left(simulator.get(), &Simulator::clientDisconnected);

    PtyClient host;
    QVERIFY(host.open(simulator->deviceName()));
    QCOMPARE(host.take(banner.size()), banner);
    host.close();
    QVERIFY(left.wait());
    QVERIFY(host.open(simulator->deviceName()));
    QCOMPARE(host.take(banner.size()), banner);
}

void TestSimPty::dropsRepliesMeantForAHostThatLeft_data()
{
    QTest::addColumn<int>("replyDelayMs");
    QTest::newRow("reply still to come") << 300;
    QTest::newRow("reply sent, not read") << 0;
}

void TestSimPty::dropsRepliesMeantForAHostThatLeft()
{
    QFETCH(int, replyDelayMs);

    const auto simulator = startedSimulator(std::make_unique<FaultInjector>(
        std::make_unique<Kvt7Controller>(), Faults{.replyDelay = milliseconds{replyDelayMs}}));
    QVERIFY(simulator);
    QSignalSpy arrived(simulator.get(), &Simulator::clientConnected);
    QSignalSpy left(simulator.get(), &Simulator::clientDisconnected);

    PtyClient host;
    host.setReading(false);
    QSignalSpy replied(&host, &PtyClient::received);
    QVERIFY(host.open(simulator->deviceName()));
    QVERIFY(arrived.wait());
    QVERIFY(host.write("POS\rDS"));
    if (replyDelayMs == 0)
        QVERIFY(replied.wait());
    host.close();
    QVERIFY(left.wait());

    // The next host gets neither the old reply nor the old half line.
    host.setReading(true);
    QVERIFY(host.open(simulator->deviceName()));
    QVERIFY(host.write("P\r"));
    QCOMPARE(host.take(5), QByteArray("OK\r\n>"));
}

void TestSimPty::ignoresAHostThatCameAndWentUnnoticed()
{
    const auto simulator = startedSimulator(std::make_unique<Kvt7Controller>());
    QVERIFY(simulator);

    PtyClient host;
    QVERIFY(host.open(simulator->deviceName()));
    QVERIFY(host.write("POS\r"));
    host.close();
    // Long enough for the simulator to look at the line twice.
    QTimer twoChecks;
    twoChecks.setSingleShot(true);
    QSignalSpy checked(&twoChecks, &QTimer::timeout);
    twoChecks.start(PtyEndpoint::lineCheckInterval * 2 + milliseconds{50});
    QVERIFY(checked.wait());

    QVERIFY(host.open(simulator->deviceName()));
    QVERIFY(host.write("P\r"));
    QCOMPARE(host.take(5), QByteArray("OK\r\n>"));
}

void TestSimPty::logsEveryReceivedByte()
{
    const QString logPath = m_dir.filePath(QStringLiteral("received.log"));
    ReceiveLog log;
    QString error;
    QVERIFY2(log.open(logPath, &error), qPrintable(error));
    const auto simulator = startedSimulator(std::make_unique<Kvt7Controller>(), {}, &log);
    QVERIFY(simulator);

    PtyClient host;
    QVERIFY(host.open(simulator->deviceName()));
    for (const char c : QByteArray("POS\r"))
        QVERIFY(host.write(QByteArray(1, c)));
    QCOMPARE(host.take(homePosition.size()), homePosition);

    QFile file(logPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QByteArray values;
    QList<qint64> stamps;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        QCOMPARE(fields.size(), 2);
        stamps.append(fields[0].toLongLong());
        values.append(char(fields[1].toInt()));
    }
    QCOMPARE(values, QByteArray("POS\r"));
    QVERIFY(stamps.first() > 0 && std::is_sorted(stamps.cbegin(), stamps.cend()));
}

void TestSimPty::downloadsAndListsAProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    // The listing cannot have come faster than the pauses allow.
    QTest::addColumn<int>("listingAtLeastMs");

    QTest::newRow("at once") << QStringList{} << 0;
    QTest::newRow("pause between the lines") << QStringList{"--listing-pause", "80"} << 3 * 80;
    QTest::newRow("delayed, byte by byte")
        << QStringList{"--reply-delay", "50", "--char-delay", "1"} << 50;
    QTest::newRow("pause between the lines, byte by byte")
        << QStringList{"--listing-pause", "50", "--char-delay", "1"} << 3 * 50;
}

// The download goes as the host sends it, each line only after the reply to
// the one before; the listing must read back into the same program text.
void TestSimPty::downloadsAndListsAProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, listingAtLeastMs);

    QProcess kvtsim;
    const QString device = startKvtsim(kvtsim, QStringList{"--no-banner"} + arguments);
    QVERIFY(!device.isEmpty());
    PtyClient host;
    QVERIFY(host.open(device));
    const QByteArrayList program{"M31,3", "G00,+2000", "M21+", "G10,-150", "M30"};
    for (const QByteArray& line : program) {
        QVERIFY(host.write(line + '\r'));
        QCOMPARE(host.take(5), QByteArray("OK\r\n>"));
    }

    const QByteArray expected = "DP3\r\n#3\r\nG00,+2000\r\n\r\n>M21+\r\n\r\n>G10,-150\r\n\r\n>"
                                "M30\r\n\r\n>";
    QElapsedTimer clock;
    clock.start();
    QVERIFY(host.write("DP3\r"));
    const QByteArray listing = host.take(expected.size());
    QVERIFY2(clock.elapsed() >= listingAtLeastMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(listing, expected);
    QCOMPARE(hostUpload(listing, '3'), program.join("\r\n") + "\r\n");

    kvtsim.terminate();
    QVERIFY(waitForExit(kvtsim));
}

void TestSimPty::removesLinkOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("leftoverLink");
    QTest::newRow("SIGINT") << SIGINT << false;
    QTest::newRow("SIGTERM, over a leftover link") << SIGTERM << true;
    QTest::newRow("SIGHUP") << SIGHUP << false;
}

void TestSimPty::removesLinkOnSignal()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, leftoverLink);

    const QString link = m_dir.filePath(QStringLiteral("kvt7"));
    if (leftoverLink)
        QVERIFY(QFile::link(QStringLiteral("/dev/pts/no-such-device"), link));
    QProcess kvtsim;
    const QString device = startKvtsim(kvtsim, {"--no-banner", "--link", link});
    QVERIFY(!device.isEmpty());
    QCOMPARE(QFile::symLinkTarget(link), device);

    PtyClient host;
    QVERIFY(host.open(link));
    QVERIFY(host.write("POS\r"));
    QCOMPARE(host.take(homePosition.size()), homePosition);

    ::kill(pid_t(kvtsim.processId()), signalNumber);
    QVERIFY(waitForExit(kvtsim));
    QCOMPARE(kvtsim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kvtsim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimPty::failsWithoutADevice_data()
{
    QTest::addColumn<QStringList>("arguments"); // %dir: the test's own folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errorMentions");

    QTest::newRow("file where the link goes")
        << QStringList{"--link", "%dir/occupied"} << 1 << QString("not a symbolic link");
    QTest::newRow("link in a missing folder")
        << QStringList{"--link", "%dir/missing/kvt7"} << 1 << QString("missing/kvt7");
    QTest::newRow("log in a missing folder")
        << QStringList{"--log", "%dir/missing/log"} << 1 << QString("missing/log");
    QTest::newRow("model not simulated") << QStringList{"--model", "px52"} << 2 << QString("px52");
    QTest::newRow("negative delay")
        << QStringList{"--reply-delay", "-1"} << 2 << QString("reply-delay");
    QTest::newRow("listing pause not a number")
        << QStringList{"--listing-pause", "soon"} << 2 << QString("listing-pause");
    QTest::newRow("seed not a number") << QStringList{"--seed", "x"} << 2 << QString("seed");
    QTest::newRow("stray argument") << QStringList{"/dev/pts/3"} << 2 << QString("/dev/pts/3");
}

void TestSimPty::failsWithoutADevice()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, errorMentions);

    QFile occupied(m_dir.filePath(QStringLiteral("occupied")));
    QVERIFY(occupied.open(QIODevice::WriteOnly | QIODevice::Truncate));
    occupied.write("keep me");
    occupied.close();
    arguments.replaceInStrings(QStringLiteral("%dir"), m_dir.path());

    QProcess kvtsim;
    kvtsim.start(QStringLiteral(KVTSIM_PATH), arguments);
    QVERIFY(waitForExit(kvtsim));
    QCOMPARE(kvtsim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kvtsim.exitCode(), exitCode);
    // No device line: whoever waits for it must not take the run for a success.
    QCOMPARE(kvtsim.readAllStandardOutput(), QByteArray());
    const QString errors = QString::fromLocal8Bit(kvtsim.readAllStandardError());
    QVERIFY2(errors.contains(errorMentions), qPrintable(errors));
    QVERIFY(occupied.open(QIODevice::ReadOnly));
    QCOMPARE(occupied.readAll(), QByteArray("keep me"));
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "tst_simpty.moc"
