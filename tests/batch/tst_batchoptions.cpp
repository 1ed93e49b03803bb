#include "batch/BatchOptions.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using kvt::batch::BatchOptions;
using Kind = kvt::BlockKind;

// The headless command line, refused before a port is opened or accepted with
// the fields a run acts on.
class TestBatchOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();

private:
    QTemporaryDir m_dir;
};

namespace {

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

} // namespace

void TestBatchOptions::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // "field=value ..." when accepted, else "error: text"
    QFile::link(QStringLiteral("/dev/null"), m_dir.filePath(QStringLiteral("null-link")));
    QFile(m_dir.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly);
    // Arguments apart by blanks; %dir is the test's folder. An error ending in
    // '*' is followed by the system's own reason.
    const auto row = [this](const char* name, const char* arguments, const char* expected) {
        const auto filled = [this](const char* text) {
            return QString::fromUtf8(text).replace(QLatin1String("%dir"), m_dir.path());
        };
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

void TestBatchOptions::parse()
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

QTEST_GUILESS_MAIN(TestBatchOptions)
#include "tst_batchoptions.moc"
