#include "CommandLine.h"

#include "batch/BatchOptions.h"
#include "frontend/PortMemory.h"
#include "link/PortList.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace kvt {

namespace {

QString complaint(const QString& program, const QString& error)
{
    return QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, error);
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments, const QMap<int, QString>& remembered)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("CommandLine", "Programs KVT stepper-motor controllers and "
                                                   "talks to them over a serial line."));
    // Our own rather than addHelpOption(): that one also brings --help-all, which
    // only QCommandLineParser::process() can answer, and it ends the process.
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help")},
        QCoreApplication::translate("CommandLine", "Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption com1(
        QStringLiteral("com1"),
        QCoreApplication::translate("CommandLine", "Serial device used as COM1."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption com2(
        QStringLiteral("com2"),
        QCoreApplication::translate("CommandLine", "Serial device used as COM2."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption log(
        QStringLiteral("log"),
        QCoreApplication::translate("CommandLine",
                                    "Writes every byte sent and received, with its time and "
                                    "source, to FILE (for a bug report). Past 16 MiB the "
                                    "file moves to FILE.1, replacing the one before, and "
                                    "starts again."),
        QStringLiteral("FILE"));
    const QCommandLineOption listPorts(
        QStringLiteral("list-ports"),
        QCoreApplication::translate("CommandLine",
                                    "Lists the serial devices present and what COM1 and COM2 "
                                    "stand for, then exits."));
    parser.addOption(com1);
    parser.addOption(com2);
    parser.addOption(log);
    parser.addOption(listPorts);

    const QString program = QCoreApplication::applicationName();
    CommandLine result;
    auto fail = [&](const QString& error) {
        result.action = Action::Fail;
        result.text = complaint(program, error);
        return result;
    };

    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        result.action = Action::ShowHelp;
        result.text = parser.helpText() + QLatin1Char('\n') + batch::BatchOptions::helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = Action::ShowVersion;
        result.text = QCoreApplication::applicationVersion() + QLatin1Char('\n');
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QCoreApplication::translate("CommandLine", "Unexpected argument '%1'.")
                        .arg(parser.positionalArguments().constFirst()));

    if (parser.isSet(log)) {
        result.trafficLogPath = parser.value(log).trimmed();
        if (result.trafficLogPath.isEmpty())
            return fail(QCoreApplication::translate("CommandLine", "--log needs a file name."));
    }
    QMap<int, QString> overrides;
    const std::pair<int, const QCommandLineOption*> portOptions[]{{1, &com1}, {2, &com2}};
    for (const auto& [number, option] : portOptions) {
        if (!parser.isSet(*option))
            continue;
        const QString device = parser.value(*option).trimmed();
        if (device.isEmpty())
            return fail(QCoreApplication::translate("CommandLine", "--com%1 needs a device name.")
                            .arg(number));
        overrides.insert(number, device);
    }
    result.portMap = ports::resolve(remembered, overrides);
    if (parser.isSet(listPorts)) {
        result.action = Action::ListPorts;
        result.text = portListing(presentSerialDevices(), result.portMap);
    }
    return result;
}

int CommandLine::exitCode() const
{
    return action == Action::Fail ? UsageError : 0;
}

} // namespace kvt
