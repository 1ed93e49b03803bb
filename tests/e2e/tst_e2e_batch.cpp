#include "support/DeviceServer.h"
#include "support/SimProcess.h"

#include "batch/BatchOptions.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using kvt::batch::BatchOptions;
using kvt::test::DeviceServer;
using kvt::test::SimProcess;
using Kind = kvt::BlockKind;

// The headless command line, refused before a port is opened or accepted with
// the fields a run acts on; then the real kvtcomm binary in its headless
// commands against kvtsim on ptys, without any display.
class TestE2eBatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void refusesBeforeSendingAnything_data();
    void refusesBeforeSendingAnything();
    void runsEndWithTheirStatus_data();
    void runsEndWithTheirStatus();
    void interruptedDownloadEndsWithItsStatus_data();
    void interruptedDownloadEndsWithItsStatus();
    void eachPortKeepsItsOwnStatus();
    void downloadThenUploadGivesTheProgramBack();
    void overTheNetwork_data();
    void overTheNetwork();
    void keypadTransfersFollowTheKeys_data();
    void keypadTransfersFollowTheKeys();
    void listedPortsAreTheRememberedOnes();

private:
    QString file(const QString& name, const QByteArray& bytes);
    // %dir is the test's folder.
    QString filled(const char* text) const
    {
        return QString::fromUtf8(text).replace(QLatin1String("%dir"), m_dir.path());
    }
    QTemporaryDir m_dir;
};

namespace {

struct Result {
    int status = -1;
    QByteArray out;
    QString err;
};

// kvtcomm as a script starts it: no display; configHome, when given, holds its memory.
void prepare(QProcess& process, const QStringList& arguments, const QString& configHome = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    if (!configHome.isEmpty())
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(env);
    process.setProgram(QStringLiteral(KVTCOMM_PATH));
    process.setArguments(arguments);
}

// readOutput false: standard output is a pipe whose reader goes before kvtcomm
// has its result to write, as with | head.
Result kvtcomm(const QStringList& arguments, bool readOutput = true, const QString& configHome = {})
{
    QProcess process;
    prepare(process, arguments, configHome);
    int pipe[2] = {-1, -1};
    if (!readOutput && ::pipe2(pipe, O_CLOEXEC) == 0)
        process.setStandardOutputFile(QStringLiteral("/proc/self/fd/%1").arg(pipe[1]));
    process.start();
    process.closeWriteChannel();
    for (const int end : pipe)
        if (end >= 0)
            ::close(end);
    if (!process.waitForFinished(2 * kvt::test::slowMachineMs) ||
        process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// What the editor's file format holds for text.
QByteArray record(const QByteArray& text)
{
    return '"' + text + "\"\r\n";
}

// The parsed fields a row can expect, as text; "limit" is the one all waits share.
QMap<QString, QString> fields(const BatchOptions& o)
{
    const kvt::Timings& t = o.timings;
    const QList<qint64> limit{t.watchdog.count(), t.blockWatchdog.count(),
                              t.blockUploadLimit.count(), t.keypadUploadLimit.count(),
                              t.programUploadLimit.count()};
    const QString limitText = t.watchdog == kvt::Timings{}.watchdog ? QStringLiteral("default")
                              : limit.count(limit.first()) == 5     ? QString::number(limit.first())
                                                                    : QStringLiteral("mixed");
    static const char* const verbs[] = {"download", "upload", "send"};
    static const char* const kinds[] = {"program", "position", "parameter"};
    return {{"verb", verbs[int(o.verb)]},
            {"model", o.model},
            {"ports", o.ports.join(u'|')},
            {"kind", kinds[int(o.kind)]},
            {"program", QString::number(o.program)},
            {"file", o.file},
            {"commands", o.commands.join(u'|')},
            {"output", o.output},
            {"verify", o.verify ? "yes" : "no"},
            {"json", o.json ? "yes" : "no"},
            {"settings", o.settings},
            {"limit", limitText},
            {"log", o.logDir}};
}

const QByteArray program = "M31,2\r\nG00,+100 to the stop\r\nG27\r\nM30\r\n";
const QByteArray programBack = "M31,2\r\nG00,+100\r\nG27\r\nM30\r\n";

} // namespace

QString TestE2eBatch::file(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

void TestE2eBatch::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // "field=value ..." when accepted, else "error: text"
    QFile::link(QStringLiteral("/dev/null"), m_dir.filePath(QStringLiteral("null-link")));
    QFile(m_dir.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly);
    // Arguments apart by blanks. An error ending in '*' is followed by the
    // system's own reason.
    const auto row = [this](const char* name, const char* arguments, const char* expected) {
        QTest::newRow(name) << filled(arguments).split(u' ', Qt::SkipEmptyParts)
                            << filled(expected);
    };
    row("kvt7 download", "download --model kvt7 --port /dev/ttyS0 p.txt",
        "verb=download model=kvt7 ports=/dev/ttyS0 file=p.txt kind=program program=0 verify=no "
        "settings=9600,N,8,1 limit=default json=no output=");
    row("model in capitals, one dash",
        "upload -model PX54 -port a --kind parameter --settings "
        "19200,N,8,1 -o -",
        "verb=upload model=px54 kind=parameter settings=19200,N,8,1 output=-");
    row("kvt7 program 3 with a limit",
        "upload --model kvt7 --port a --program 3 --timeout 2.5 -o %dir/p.txt --json",
        "program=3 limit=2500 output=%dir/p.txt json=yes");
    row("largest limit", "upload --model kvt31 --port a --timeout 3600", "limit=3600000");
    // A limit rounded down to 0 would end every wait at once.
    row("smallest limit rounded up", "upload --model kvt52 --port a --timeout 0.0001", "limit=1");
    row("verified four-model download",
        "download --model kvt54 --port a --verify --kind position "
        "--log %dir p.txt",
        "verify=yes kind=position log=%dir");
    row("several ports into a folder", "upload --model kvt7 --port a --port b -o %dir",
        "ports=a|b output=%dir");
    row("send", "send --model kvt33 --port a pos dsp", "verb=send commands=pos|dsp");

    row("no verb", "", "error: expected download, upload or send");
    row("unknown option", "upload --model kvt7 --port a --fast", "error: Unknown option 'fast'.");
    row("no model", "upload --port a",
        "error: --model is missing (kvt7, kvt31, kvt33, kvt52, kvt54, px52, px54)");
    row("unknown model", "upload --model kvt9 --port a",
        "error: unknown model 'kvt9' (kvt7, kvt31, kvt33, kvt52, kvt54, px52, px54)");
    row("no port", "upload --model kvt7", "error: --port is missing");
    row("same port twice", "upload --model kvt7 --port a --port b --port a",
        "error: a port is given twice");
    row("same device by a link", "send --model kvt7 --port /dev/null --port %dir/null-link pos",
        "error: a port is given twice: /dev/null and %dir/null-link are the same device");
    row("same device by another path",
        "send --model kvt7 --port /dev/kvt-a --port /dev/../dev/kvt-a pos",
        "error: a port is given twice: /dev/kvt-a and /dev/../dev/kvt-a are the same device");
    row("unknown kind", "upload --model px54 --port a --kind speed",
        "error: unknown kind 'speed' (program, position, parameter)");
    row("position of kvt7", "upload --model kvt7 --port a --kind position",
        "error: KVT7 keeps programs only");
    row("program of kvt52", "upload --model kvt52 --port a --program 1",
        "error: --program is for kvt7; kvt52 chooses the program on the controller");
    row("program 4", "upload --model kvt7 --port a --program 4",
        "error: --program must be 0 to 3, not '4'");
    row("program two", "upload --model kvt7 --port a --program two",
        "error: --program must be 0 to 3, not 'two'");
    row("settings of kvt31", "upload --model kvt31 --port a --settings 9600,N,8,1",
        "error: --settings is for kvt52, kvt54, px52 and px54");
    row("settings without stop bits", "upload --model kvt52 --port a --settings 9600,N,8",
        "error: bad --settings '9600,N,8' (as in 9600,N,8,1)");
    for (const char* seconds : {"0", "3601", "nan", "soon"})
        row(qPrintable(QStringLiteral("timeout %1").arg(QLatin1String(seconds))),
            qPrintable(QStringLiteral("upload --model kvt7 --port a --timeout %1")
                           .arg(QLatin1String(seconds))),
            "error: --timeout must be seconds above 0, at most 3600");
    for (const char* verify :
         {"upload --model kvt52", "download --model kvt31 --port a p.txt", "send --model kvt7 pos"})
        row(qPrintable(QStringLiteral("verify: %1").arg(QLatin1String(verify))),
            qPrintable(QStringLiteral("%1 --port b --verify").arg(QLatin1String(verify))),
            "error: --verify is for downloads to kvt7, kvt52, kvt54, px52 and px54");
    row("log into a file", "upload --model kvt7 --port a --log %dir/plain",
        "error: --log %dir/plain: not a directory");
    row("send with a kind", "send --model kvt52 --port a --kind program pos",
        "error: send takes no --kind");
    row("send with an output", "send --model kvt7 --port a -o %dir pos",
        "error: send takes no --output");
    row("send nothing", "send --model kvt7 --port a", "error: send needs a command");
    row("send line breaks", "send --model kvt7 --port a dsp pos\rDELP1\n",
        "error: 'pos\\rDELP1\\n' holds a line break; give each command as an argument of its own");
    row("send uncarriable", "send --model kvt7 --port a pos\u0416",
        "error: 'pos\u0416' holds a character the line cannot carry");
    row("download into a file", "download --model kvt7 --port a -o %dir/p.txt p.txt",
        "error: -o is for upload");
    row("download of two files", "download --model kvt7 --port a p.txt q.txt",
        "error: download takes one program file");
    row("upload of a file", "upload --model kvt7 --port a p.txt",
        "error: unexpected argument 'p.txt'");
    row("several ports into one file", "upload --model kvt7 --port a --port b -o %dir/plain",
        "error: an upload from several ports needs -o DIR, a directory for one file per port");
    row("output folder missing", "upload --model kvt7 --port a -o /nonexistent/p.txt",
        "error: -o /nonexistent/p.txt: its folder does not exist");
    // Not even root may create a file there.
    row("output folder unwritable", "upload --model kvt7 --port a -o /proc/p.txt",
        "error: -o /proc/p.txt: its folder cannot be written*");
    row("json to standard output", "upload --model kvt7 --port a --json -o -",
        "error: --json writes to standard output; give the upload -o FILE");
}

void TestE2eBatch::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const auto parsed = BatchOptions::parse(arguments);
    if (expected.startsWith(QLatin1String("error: "))) {
        QVERIFY(std::holds_alternative<QString>(parsed));
        const QString error = std::get<QString>(parsed);
        expected.remove(0, 7);
        if (expected.endsWith(u'*'))
            QVERIFY2(error.startsWith(expected.chopped(1)), qPrintable(error));
        else
            QCOMPARE(error, expected);
        QVERIFY(!error.contains(u'\n'));
        return;
    }
    if (const auto* error = std::get_if<QString>(&parsed))
        QFAIL(qPrintable(*error));
    const QMap<QString, QString> got = fields(std::get<BatchOptions>(parsed));
    for (const QString& pair : expected.split(u' ')) {
        const QString name = pair.section(u'=', 0, 0);
        QVERIFY2(got.contains(name), qPrintable(name));
        QCOMPARE(got.value(name), pair.section(u'=', 1));
    }
}

void TestE2eBatch::refusesBeforeSendingAnything_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    file(QStringLiteral("ok.txt"), program);
    file(QStringLiteral("blank.txt"), "\r\n \r\n");
    // Arguments apart by blanks; %dir is the test's folder, which holds ok.txt and blank.txt.
    const auto row = [this](const char* name, const char* arguments, int status, const char* told) {
        QTest::newRow(name) << filled(arguments).split(u' ') << status << filled(told);
    };
    row("json asked", "download --json --model kvt9 --port /dev/null %dir/ok.txt", 2,
        "unknown model 'kvt9'");
    row("no program line", "download --model kvt52 --port /dev/null %dir/blank.txt", 2,
        "%dir/blank.txt: holds no program line");
    row("port not opened", "download --model kvt7 --port /dev/kvt-none %dir/ok.txt", 3,
        "Cannot open /dev/kvt-none: ");
    // Port 1 of this computer: nobody serves it.
    row("server refuses", "send --model kvt7 --port rfc2217://127.0.0.1:1 pos", 3,
        "Cannot connect to 127.0.0.1:1: Connection refused");
    row("network port malformed", "send --model kvt7 --port socket://127.0.0.1 pos", 3,
        "socket://127.0.0.1 is not a network port: the TCP port (1 to 65535) is missing");
    // No program: %sim is a running kvtsim, whose wire stays empty.
    file(QStringLiteral("nul.txt"), QByteArray("M31,2\r\nG00\0\r\nM30\r\n", 18));
    file(QStringLiteral("long.txt"), "M31,2\r\n" + QByteArray(474, 'X'));
    row("NUL in a line", "download --model kvt7 --port %sim %dir/nul.txt", 2,
        "%dir/nul.txt: Line 2 holds byte 0x00, which is no character of a program.");
    row("over the KVT7 editor", "download --model kvt7 --port /dev/null %dir/long.txt", 2,
        "%dir/long.txt: holds a program of 481 characters; the KVT7 editor holds 480");
}

void TestE2eBatch::refusesBeforeSendingAnything()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    std::optional<SimProcess> sim;
    if (arguments.contains(QLatin1String("%sim"))) {
        sim.emplace(QStringList{"--model", "kvt7", "--no-banner"});
        QVERIFY2(sim->started(), qPrintable(sim->errorText()));
        arguments.replaceInStrings(QStringLiteral("%sim"), sim->device());
    }
    const Result r = kvtcomm(arguments);
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.startsWith(QLatin1String("kvtcomm: ")) && r.err.contains(message),
             qPrintable(r.err));
    if (sim)
        QCOMPARE(sim->receivedBytes(), QByteArray());
    if (!arguments.contains(QLatin1String("--json"))) {
        QVERIFY(r.out.isEmpty());
        return;
    }
    // One object a script can read, in place of the ports' results.
    QVERIFY2(r.out.endsWith('\n') && r.out.count('\n') == 1, r.out.constData());
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(o.value("port").toString(), QStringLiteral("/dev/null"));
    QCOMPARE(o.value("outcome").toString(), QStringLiteral("usage"));
    QCOMPARE(o.value("exitStatus").toInt(), status);
    QVERIFY(o.value("error").toString().contains(message));
}

void TestE2eBatch::runsEndWithTheirStatus_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("readOutput");
    // How standard output begins|ends; empty: nothing.
    QTest::addColumn<QByteArray>("printed");
    const QString prg = file(QStringLiteral("fault.txt"), program);
    // Arguments apart by blanks; %prg is a program of four lines.
    const auto row = [&prg](const char* name, const char* sim, const char* arguments, int status,
                            const char* told, const char* printed = "", bool readOutput = true) {
        QTest::newRow(name) << QString::fromLatin1(sim).split(u' ')
                            << QString::fromLatin1(arguments).replace("%prg", prg).split(u' ')
                            << status << QString::fromLatin1(told) << readOutput
                            << QByteArray(printed);
    };
    // Each reply printed whole after its command, before the next command's.
    row("send answered", "--model kvt7 --no-banner", "send --model kvt7 pos dsp", 0, "",
        "POS=+0000000\n>PROF=|SEN=NO\n>\n");
    row("read back differs", "--model kvt52 --corrupt-line 2",
        "download --model kvt52 --verify %prg", 5,
        "verify: line 2: sent G00,+100, read back G00,+101");
    // The tail of one reply, trickling in while the next line goes out, is not its answer.
    row("kvt7 trickles, then falls silent", "--model kvt7 --char-delay 30 --silent-after 3",
        "download --model kvt7 --timeout 5 %prg", 4, "did not answer (line 4 (M30); 3 of 4 lines");
    row("send unanswered", "--model kvt7 --silent", "send --model kvt7 --timeout 0.5 pos", 4,
        "did not answer (to POS)");
    // A reply that never falls quiet is kept only as long as a silent one is waited for.
    row("send reply never ends", "--model kvt7 --no-banner --char-delay 100",
        "send --model kvt7 --timeout 3 dsp", 7, "the reply to DSP was cut after 3 s", "PROF=");
    row("send reply floods", "--model kvt7 --no-banner --flood 3000000", "send --model kvt7 pos", 7,
        "the reply to POS was cut at 1 MiB", "G00,+1234567");
    row("upload into a closed pipe", "--model kvt52", "upload --model kvt52", 7,
        "could not be written to standard output", "", false);
    row("px54 silent", "--model px54 --silent", "upload --model px54 --timeout 0.5", 4,
        "did not send a whole program within 0.5 s");
}

void TestE2eBatch::runsEndWithTheirStatus()
{
    QFETCH(QStringList, simArguments);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(bool, readOutput);
    QFETCH(QByteArray, printed);
    SimProcess sim(simArguments);
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    const Result r = kvtcomm(arguments << QStringLiteral("--port") << sim.device(), readOutput);
    QCOMPARE(r.status, status);
    QVERIFY2(message.isEmpty() ||
                 (r.err.contains(sim.device() + QStringLiteral(": ")) && r.err.contains(message)),
             qPrintable(r.err));
    QVERIFY2(printed.isEmpty() ? r.out.isEmpty()
                               : r.out.startsWith(printed.split('|')[0]) &&
                                     r.out.endsWith(printed.split('|').value(1)),
             r.out.constData());
}

void TestE2eBatch::interruptedDownloadEndsWithItsStatus_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("told");
    QTest::newRow("controller gone") << "pull" << QByteArray("was removed");
    QTest::newRow("cancelled") << "cancel" << QByteArray("cancelled");
    QTest::newRow("device server stopped") << "server" << QByteArray("closed the connection");
}

void TestE2eBatch::interruptedDownloadEndsWithItsStatus()
{
    QFETCH(QString, how);
    QFETCH(QByteArray, told);
    SimProcess sim({"--model", "kvt54"});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    DeviceServer server(sim.device());
    const QString port = how == "server" ? server.url() : sim.device();
    QVERIFY2(how != "server" || server.start(), qPrintable(server.errorText()));
    QByteArray lines = "M31,1\r\n";
    for (int i = 0; i < 200; ++i)
        lines += "G00,+" + QByteArray::number(1000 + i) + "\r\n";
    QProcess process;
    prepare(process, {"download", "--model", "kvt54", "--port", port,
                      file(QStringLiteral("long.txt"), lines)});
    process.setReadChannel(QProcess::StandardError);
    process.start();
    QVERIFY(sim.waitForHost());
    // Stopped once the transfer is under way, as a pulled cable or Ctrl+C would.
    QByteArray err;
    while (!err.contains(": 3 of 201 lines sent")) {
        QVERIFY(process.waitForReadyRead(kvt::test::slowMachineMs));
        err += process.readAllStandardError();
    }
    if (how == "pull")
        sim.stop();
    else if (how == "server")
        server.stop();
    else
        process.terminate();
    QVERIFY(process.waitForFinished(kvt::test::slowMachineMs));
    QCOMPARE(process.exitCode(), how == "cancel" ? 6 : 7);
    err += process.readAllStandardError();
    QVERIFY2(err.contains("kvtcomm: " + port.toLocal8Bit() + ": ") && err.contains(told),
             err.right(200).constData());
    if (how != "cancel")
        return;
    // The controller is told to drop the block, never that it ended.
    QTRY_VERIFY_WITH_TIMEOUT(sim.receivedBytes().endsWith("\rC"), kvt::test::slowMachineMs);
    QVERIFY(sim.receivedBytes().startsWith("S00\rM31,1\rG00,+1000\r"));
    QVERIFY(!sim.receivedBytes().contains("END"));
}

void TestE2eBatch::eachPortKeepsItsOwnStatus()
{
    SimProcess first({"--model", "kvt7", "--no-banner"});
    SimProcess silent({"--model", "kvt7", "--silent"});
    SimProcess third({"--model", "kvt7", "--no-banner"});
    for (const SimProcess* sim : {&first, &silent, &third})
        QVERIFY2(sim->started(), qPrintable(sim->errorText()));
    const QString logs = m_dir.filePath(QStringLiteral("logs"));
    QVERIFY(QDir().mkpath(logs));
    // The missing device fails first in time, but is given last: the run's
    // status is the silent one's.
    const QString missing = QStringLiteral("/dev/kvt-none");
    const Result r =
        kvtcomm({"download", "--model", "kvt7", "--json", "--timeout", "10", "--log", logs,
                 "--port", first.device(), "--port", silent.device(), "--port", third.device(),
                 "--port", missing, file(QStringLiteral("three.txt"), program)});
    QCOMPARE(r.status, 4);
    const QList<QByteArray> objects = r.out.trimmed().split('\n');
    QCOMPARE(objects.size(), 4);
    // Port, outcome, exit status and lines sent, as a script reads them.
    const QStringList expected{first.device() + "|complete|0|4", silent.device() + "|no reply|4|0",
                               third.device() + "|complete|0|4", missing + "|port not opened|3|0"};
    for (int i = 0; i < 4; ++i) {
        const QJsonObject o = QJsonDocument::fromJson(objects[i]).object();
        QCOMPARE(QStringList({o.value("port").toString(), o.value("outcome").toString(),
                              QString::number(o.value("exitStatus").toInt(-1)),
                              QString::number(o.value("lines").toInt(-1))})
                     .join(u'|'),
                 expected[i]);
    }
    QCOMPARE(first.receivedBytes(), "M31,2\rG00,+100\rG27\rM30\r");
    QCOMPARE(third.receivedBytes(), first.receivedBytes());
    // Each port's traffic in its own log: the silent one's ends unanswered.
    QFile log(QDir(logs).filePath(silent.device().mid(1).replace('/', '_') + ".log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray traffic = log.readAll();
    QVERIFY2(traffic.contains("sent  download  M31,2<CR>") && !traffic.contains("recv"),
             traffic.constData());
}

// A parameter block at the settings it asks for. KVT7 programs make the same round trip
// over the network, and the KVT7 and KVT52 windows over this port.
void TestE2eBatch::downloadThenUploadGivesTheProgramBack()
{
    SimProcess sim({"--model", "px54"});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    // The controller's silence is waited for as long as a busy machine may need.
    const QStringList options{"--model",    "px54",
                              "--kind",     "parameter",
                              "--settings", "19200,N,8,1",
                              "--port",     sim.device(),
                              "--timeout",  QString::number(kvt::test::slowMachineMs / 1000)};
    const QString prg = file(QStringLiteral("round.txt"), record(program));
    Result r = kvtcomm(QStringList{"download", "--verify", prg} + options);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QString out = m_dir.filePath(QStringLiteral("back.txt"));
    r = kvtcomm(QStringList{"upload", "-o", out} + options);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QFile back(out);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), record(programBack));
}

void TestE2eBatch::overTheNetwork_data()
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
                          << QStringList{"--model", "kvt7", "--program", "2"} << program
                          << programBack << QString();
    QTest::newRow("kvt54 4800,N,8,2") << QStringList{"--model", "kvt54"}
                                      << QStringList{"--model", "kvt54", "--settings", "4800,N,8,2"}
                                      << blocks << blocks << QStringLiteral("4800 2 stop rts/cts");
    // Byte 0xFF is Telnet's command byte: it must arrive as data.
    const QByteArray stored = "M31,3\r\nG00,+100\xff\r\nM30\r\n";
    QTest::newRow("px52 sends 0xFF")
        << QStringList{"--model", "px52", "--stored-program", file("stored.txt", stored)}
        << QStringList{"--model", "px52"} << QByteArray() << stored << QString();
}

// Through ser2net, a real serial device server, on loopback: kvtsim's pty is
// the server's serial line, and its termios shows what the server set.
void TestE2eBatch::overTheNetwork()
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
            << QString::number(kvt::test::slowMachineMs / 1000);
    if (!program.isEmpty()) {
        QProcess download;
        prepare(download, QStringList{"download", "--verify",
                                      file(QStringLiteral("net.txt"), record(program))} +
                              options);
        download.setReadChannel(QProcess::StandardError);
        download.start();
        QByteArray err;
        while (!line.isEmpty() && !err.contains(" 3 of ") &&
               download.waitForReadyRead(kvt::test::slowMachineMs))
            err += download.readAllStandardError();
        if (!line.isEmpty()) {
            const int fd = ::open(qPrintable(sim.device()), O_RDWR | O_NOCTTY | O_NONBLOCK);
            termios t{};
            QVERIFY(fd >= 0 && ::tcgetattr(fd, &t) == 0);
            ::close(fd);
            QCOMPARE(QStringLiteral("%1%2%3")
                         .arg(cfgetospeed(&t) == B4800 ? "4800" : "other")
                         .arg((t.c_cflag & CSTOPB) ? " 2 stop" : "")
                         .arg((t.c_cflag & CRTSCTS) ? " rts/cts" : ""),
                     line);
        }
        QVERIFY(download.waitForFinished(2 * kvt::test::slowMachineMs));
        QVERIFY2(download.exitCode() == 0, download.readAllStandardError().constData());
    }
    const QString out = m_dir.filePath(QStringLiteral("net-back.txt"));
    const Result r = kvtcomm(QStringList{"upload", "-o", out} + options);
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QFile uploaded(out);
    QVERIFY(uploaded.open(QIODevice::ReadOnly));
    QCOMPARE(uploaded.readAll(), record(back));
}

void TestE2eBatch::keypadTransfersFollowTheKeys_data()
{
    QTest::addColumn<bool>("network");
    QTest::newRow("pty") << false;
    QTest::newRow("rfc2217, 1200,N,8,1 and RTS/CTS set by the server") << true;
}

void TestE2eBatch::keypadTransfersFollowTheKeys()
{
    QFETCH(bool, network);
    // The download's keys given at start-up, the upload's typed as the host waits.
    SimProcess sim({"--model", "kvt33", "--keys", "NO,+/-,+/-,ENT,+/-,ENT,ENT,5,ENT"});
    QVERIFY2(sim.started(), qPrintable(sim.errorText()));
    DeviceServer server(sim.device());
    QVERIFY2(!network || server.start(), qPrintable(server.errorText()));
    const QString port = network ? server.url() : sim.device();
    QVERIFY(sim.waitForDisplay(QStringLiteral("Receiving  Program")));
    Result r = kvtcomm({"download", "--model", "kvt33", "--port", port,
                        file(QStringLiteral("keypad.txt"), "m31,5\r\ng00,+1000\r\nG27\r\nM30")});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY(r.err.contains(QLatin1String("<Receiving  Program>")));
    QVERIFY(sim.waitForDisplay(QStringLiteral("Program 5 Stored")));

    QProcess upload;
    prepare(upload, {"upload", "--model", "kvt33", "--port", port});
    upload.start();
    QVERIFY(sim.waitForHost());
    // A line with a mistake is not pressed, and the keys after it still get there.
    QVERIFY(sim.pressKeys(QStringLiteral("NO ENTER")));
    QVERIFY(sim.pressKeys(QStringLiteral("NO +/- +/- ENT ENT ENT 5 ENT")));
    QVERIFY(sim.waitForDisplay(QStringLiteral("UPLOAD  READY  ?")));
    QVERIFY(sim.pressKeys(QStringLiteral("ENT")));
    QVERIFY(upload.waitForFinished(kvt::test::slowMachineMs));
    QCOMPARE(upload.exitCode(), 0);
    QCOMPARE(upload.readAllStandardOutput(), record("M31,5\r\nG00,+1000\r\nG27\r\nM30\r\n"));
}

void TestE2eBatch::listedPortsAreTheRememberedOnes()
{
    // As the Ports dialog leaves its memory; --com2 still wins for this run.
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("config/kvtcomm")));
    QVERIFY(!file(QStringLiteral("config/kvtcomm/kvtcomm.conf"),
                  "[ports]\ncom1=/dev/kvt-remembered\ncom2=/dev/kvt-remembered2\n")
                 .isEmpty());
    const Result r = kvtcomm({"--list-ports", "--com2", "/dev/ptmx"}, true,
                             m_dir.filePath(QStringLiteral("config")));
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.endsWith("COM1 = /dev/kvt-remembered (not present)\n"
                            "COM2 = /dev/ptmx (present)\n"),
             r.out.constData());
}

QTEST_GUILESS_MAIN(TestE2eBatch)
#include "tst_e2e_batch.moc"
