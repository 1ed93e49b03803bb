#include "BatchOptions.h"

#include "base/ReplyText.h"
#include "family/ModelCatalogue.h"
#include "link/LineSettings.h"
#include "transfer/ReceiveLimit.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cmath>

namespace kvt::batch {

namespace {

std::optional<BlockKind> kindNamed(const QString& name)
{
    if (name == QLatin1String("program"))
        return BlockKind::Program;
    if (name == QLatin1String("position"))
        return BlockKind::Position;
    if (name == QLatin1String("parameter"))
        return BlockKind::Parameter;
    return std::nullopt;
}

// "a, b and c", or with "or" for a choice.
QString listed(const QStringList& names, QLatin1String last)
{
    if (names.size() < 2)
        return names.join(QString());
    return names.first(names.size() - 1).join(QLatin1String(", ")) + u' ' + last + u' ' +
           names.constLast();
}

// "kvt52 ... px54": the first and the last.
QString spanned(const QStringList& names)
{
    return names.size() < 2 ? names.join(QString())
                            : names.constFirst() + QLatin1String(" ... ") + names.constLast();
}

// "(kvt7, kvt31, ... px54)", the models --model takes.
QString modelsInBrackets()
{
    return u'(' + ModelCatalogue::commandLineNames().join(QLatin1String(", ")) + u')';
}

// Links and relative names compared by where they lead.
bool sameDevice(const QString& a, const QString& b)
{
    const auto resolved = [](const QString& device) {
        const QFileInfo info(device);
        const QString canonical = info.canonicalFilePath();
        return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
    };
    return resolved(a) == resolved(b);
}

// Why an upload could not put its program at output; empty when it can. Tried
// for real, since permissions alone do not tell (root, read-only mounts).
QString unwritable(const QString& output)
{
    const QFileInfo info(output);
    // A device or pipe is written where it is; opening one here could block.
    if (info.exists() && !info.isFile() && !info.isDir())
        return {};
    // A file is saved through a temporary one beside it, as this one.
    QTemporaryFile probe(QDir(info.isDir() ? output : info.absolutePath())
                             .filePath(QStringLiteral(".kvtcomm-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("its folder cannot be written (%1)").arg(probe.errorString());
    return {};
}

} // namespace

bool BatchOptions::isVerb(const QString& word)
{
    return word == QLatin1String("download") || word == QLatin1String("upload") ||
           word == QLatin1String("send");
}

std::variant<BatchOptions, QString> BatchOptions::parse(const QStringList& arguments)
{
    BatchOptions o;
    if (arguments.isEmpty() || !isVerb(arguments.first()))
        return QStringLiteral("expected download, upload or send");
    o.verb = arguments.first() == QLatin1String("download") ? Verb::Download
             : arguments.first() == QLatin1String("send")   ? Verb::Send
                                                            : Verb::Upload;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption model(QStringLiteral("model"), {}, QStringLiteral("M"));
    const QCommandLineOption port(QStringLiteral("port"), {}, QStringLiteral("DEV"));
    const QCommandLineOption kind(QStringLiteral("kind"), {}, QStringLiteral("K"));
    const QCommandLineOption program(QStringLiteral("program"), {}, QStringLiteral("N"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, {},
                                    QStringLiteral("FILE"));
    const QCommandLineOption verify(QStringLiteral("verify"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption settings(QStringLiteral("settings"), {}, QStringLiteral("S"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), {}, QStringLiteral("SECONDS"));
    const QCommandLineOption log(QStringLiteral("log"), {}, QStringLiteral("DIR"));
    parser.addOptions({model, port, kind, program, output, verify, json, settings, timeout, log});
    QStringList withProgram = arguments;
    withProgram.first() = QStringLiteral("kvtcomm");
    if (!parser.parse(withProgram))
        return parser.errorText();

    const bool download = o.verb == Verb::Download;
    if (!parser.isSet(model))
        return QStringLiteral("--model is missing ") + modelsInBrackets();
    o.model = parser.value(model).toLower();
    const Model* found = ModelCatalogue::named(o.model);
    if (!found)
        return QStringLiteral("unknown model '%1' %2").arg(parser.value(model), modelsInBrackets());
    o.family = found->family;

    o.ports = parser.values(port);
    if (o.ports.isEmpty())
        return QStringLiteral("--port is missing");
    if (o.ports.removeDuplicates() > 0)
        return QStringLiteral("a port is given twice");
    for (const QString& p : std::as_const(o.ports))
        if (p.trimmed().isEmpty())
            return QStringLiteral("--port needs a device name");
    // Two transfers on one device would mix their bytes on the line.
    for (qsizetype i = 0; i < o.ports.size(); ++i)
        for (qsizetype j = 0; j < i; ++j)
            if (sameDevice(o.ports[i], o.ports[j]))
                return QStringLiteral("a port is given twice: %1 and %2 are the same device")
                    .arg(o.ports[j], o.ports[i]);

    if (parser.isSet(kind)) {
        const auto k = kindNamed(parser.value(kind));
        if (!k)
            return QStringLiteral("unknown kind '%1' (program, position, parameter)")
                .arg(parser.value(kind));
        if (*k != BlockKind::Program && !found->takesBlockKinds())
            return QStringLiteral("%1 keeps programs only").arg(o.model.toUpper());
        o.kind = *k;
    }
    if (parser.isSet(program)) {
        bool ok = false;
        o.program = parser.value(program).toInt(&ok);
        if (!found->takesProgramNumber())
            return QStringLiteral("--program is for %1; %2 chooses the program on the "
                                  "controller")
                .arg(listed(ModelCatalogue::commandLineNames(&Model::takesProgramNumber),
                            QLatin1String("and")),
                     o.model);
        if (!ok || o.program < 0 || o.program > 3)
            return QStringLiteral("--program must be 0 to 3, not '%1'").arg(parser.value(program));
    }
    if (parser.isSet(settings)) {
        if (!found->takesLineSettings())
            return QStringLiteral("--settings is for ") +
                   listed(ModelCatalogue::commandLineNames(&Model::takesLineSettings),
                          QLatin1String("and"));
        o.settings = parser.value(settings);
        if (!LineSettings::parse(o.settings))
            return QStringLiteral("bad --settings '%1' (as in 9600,N,8,1)").arg(o.settings);
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > 3600)
            return QStringLiteral("--timeout must be seconds above 0, at most 3600");
        const milliseconds limit{qint64(std::ceil(seconds * 1000))};
        Timings& t = o.timings;
        t.watchdog = t.blockWatchdog = t.blockUploadLimit = t.keypadUploadLimit =
            t.programUploadLimit = limit;
    }
    o.verify = parser.isSet(verify);
    if (o.verify && (!download || !found->takesVerify()))
        return QStringLiteral("--verify is for downloads to ") +
               listed(ModelCatalogue::commandLineNames(&Model::takesVerify), QLatin1String("and"));
    o.json = parser.isSet(json);
    if (parser.isSet(log)) {
        o.logDir = parser.value(log);
        if (!QFileInfo(o.logDir).isDir())
            return QStringLiteral("--log %1: not a directory").arg(o.logDir);
    }

    const QStringList positional = parser.positionalArguments();
    if (o.verb == Verb::Send) {
        for (const QCommandLineOption* transferOnly : {&kind, &program, &output})
            if (parser.isSet(*transferOnly))
                return QStringLiteral("send takes no --%1").arg(transferOnly->names().constLast());
        if (positional.isEmpty())
            return QStringLiteral("send needs a command");
        // Refused before anything goes out rather than half-way through.
        for (const QString& command : positional) {
            // The controller would take the part after the break for a
            // command of its own, one the operator never saw.
            if (command.contains(u'\r') || command.contains(u'\n'))
                return QStringLiteral("'%1' holds a line break; give each command as an "
                                      "argument of its own")
                    .arg(QString(command)
                             .replace(u'\r', QLatin1String("\\r"))
                             .replace(u'\n', QLatin1String("\\n")));
            if (!toWire(toControllerUpper(command)))
                return QStringLiteral("'%1' holds a character the line cannot carry").arg(command);
        }
        o.commands = positional;
        return o;
    }
    if (download) {
        if (parser.isSet(output))
            return QStringLiteral("-o is for upload");
        if (positional.size() != 1)
            return QStringLiteral("download takes one program file");
        o.file = positional.first();
        return o;
    }
    if (!positional.isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(positional.first());
    o.output = parser.value(output);
    const bool toStdout = o.output.isEmpty() || o.output == QLatin1String("-");
    if (o.ports.size() > 1 && (toStdout || !QFileInfo(o.output).isDir()))
        return QStringLiteral("an upload from several ports needs -o DIR, a directory for one "
                              "file per port");
    // Checked now: a program read from the controller has nowhere else to go.
    if (!toStdout && !QFileInfo(o.output).isDir() && !QFileInfo(o.output).absoluteDir().exists())
        return QStringLiteral("-o %1: its folder does not exist").arg(o.output);
    if (!toStdout) {
        if (const QString refused = unwritable(o.output); !refused.isEmpty())
            return QStringLiteral("-o %1: %2").arg(o.output, refused);
    }
    if (o.json && toStdout)
        return QStringLiteral("--json writes to standard output; give the upload -o FILE");
    return o;
}

QString BatchOptions::helpText()
{
    return QStringLiteral(
               "Transfers without a window:\n"
               "  kvtcomm download --model M --port DEV [options] FILE\n"
               "  kvtcomm upload --model M --port DEV [options] [-o FILE|DIR|-]\n"
               "  kvtcomm send --model M --port DEV [options] COMMAND...\n"
               "\n"
               "  --model M        %1\n"
               "  --port DEV       serial device; give it again for several controllers at once\n"
               "  --kind K         program (default), position or parameter (%2)\n"
               "  --program N      %3: the program 0-3 to upload (default 0)\n"
               "  -o FILE          upload: where the program goes, '-' or none for standard\n"
               "                   output; with several ports a directory, one file per port\n"
               "  --verify         download: read the program back and compare it\n"
               "  --settings S     %4: line settings (default 9600,N,8,1)\n"
               "  --timeout S      seconds a silent controller is waited for\n"
               "  --json           one result object per port on standard output\n"

               "  --log DIR        one traffic log per port in DIR; past 16 MiB a log moves\n"
               "                   to NAME.1, replacing the one before, and starts again\n"
               "\n"
               "send sends each command as the KVT7 online line does and prints its reply\n"
               "once the line has been quiet for 0.3 s; a reply over %5, or still coming\n"
               "after --timeout (10 s), is cut. KVT31/KVT33 transfers are started on the\n"
               "controller's keypad as the printed steps say. SIGINT and SIGTERM cancel\n"
               "every transfer.\n"
               "\n"
               "Exit status: 0 success, 2 bad usage or unreadable file, 3 port not opened,\n"
               "4 controller silent or timed out, 5 verify found a difference, 6 cancelled,\n"
               "7 other failure (link lost, reply cut, output not written). With several\n"
               "ports, the status of the first port given that failed. With --json a\n"
               "refused command line prints an object too.\n")
        .arg(listed(ModelCatalogue::commandLineNames(), QLatin1String("or")),
             spanned(ModelCatalogue::commandLineNames(&Model::takesBlockKinds)),
             spanned(ModelCatalogue::commandLineNames(&Model::takesProgramNumber)),
             spanned(ModelCatalogue::commandLineNames(&Model::takesLineSettings)))
        .arg(receiveLimitText());
}

} // namespace kvt::batch
