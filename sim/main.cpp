#include "Version.h"
#include "base/TerminationSignals.h"
#include "sim/CommandLine.h"
#include "sim/ControllerFactory.h"
#include "sim/DeviceLink.h"
#include "sim/FaultInjector.h"
#include "sim/LineInput.h"
#include "sim/ReceiveLog.h"
#include "sim/Simulator.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <unistd.h>

using kvt::TerminationSignals;
using namespace kvt::sim;

namespace {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

int fail(const QString& message)
{
    std::fprintf(stderr, "kvtsim: %s\n", qPrintable(message));
    return exitFailure;
}

// Whoever drives the keypad reads these lines as they come.
void printDisplay(const QString& text)
{
    std::printf("display: %s\n", qPrintable(text));
    std::fflush(stdout);
}

// Keys typed on standard input; a line with a typing mistake is not pressed
// at all, as half of it could well lead somewhere else in the menu.
void pressTypedKeys(Simulator& simulator, const QString& model, const QByteArray& line)
{
    const QString text = QString::fromLocal8Bit(line).trimmed();
    if (text.isEmpty())
        return;
    if (!simulator.hasKeypad()) {
        std::fprintf(stderr, "kvtsim: %s has no keypad; ignored: %s\n", qPrintable(model),
                     qPrintable(text));
        return;
    }
    const KeyScript script = parseKeys(text);
    if (!script.unknown.isEmpty()) {
        std::fprintf(stderr, "kvtsim: \"%s\" is no key (keys: %s); nothing pressed\n",
                     qPrintable(script.unknown.join(QStringLiteral("\", \""))), keyNames);
        return;
    }
    simulator.press(script.keys);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvtsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVTCOMM_VERSION));

    CommandLine commandLine;
    switch (commandLine.parse(QCoreApplication::arguments())) {
    case CommandLine::Outcome::ShowHelp:
        std::fputs(qPrintable(commandLine.helpText()), stdout);
        return 0;
    case CommandLine::Outcome::ShowVersion:
        std::printf("kvtsim %s\n", KVTCOMM_VERSION);
        return 0;
    case CommandLine::Outcome::UsageError:
        std::fprintf(stderr, "kvtsim: %s\nTry 'kvtsim --help'.\n",
                     qPrintable(commandLine.errorText()));
        return exitUsage;
    case CommandLine::Outcome::Run:
        break;
    }
    const SimulatorOptions& options = commandLine.options();
    if (options.faults.garbage && !options.seedGiven)
        std::fprintf(stderr, "kvtsim: garbage seed %u\n", options.faults.seed);

    QString error;
    TerminationSignals terminationSignals;
    if (!terminationSignals.install(&error))
        return fail(error);
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app,
                     &QCoreApplication::quit);

    ReceiveLog log;
    if (!options.logPath.isEmpty() && !log.open(options.logPath, &error))
        return fail(error);

    Simulator simulator(std::make_unique<FaultInjector>(
        ControllerFactory::create(options.model, options.controller), options.faults));
    simulator.setBannerDelay(options.bannerDelay);
    simulator.setFlood(options.floodBytes);
    if (!options.logPath.isEmpty())
        simulator.setReceiveLog(&log);
    if (!simulator.start(&error))
        return fail(error);

    DeviceLink link;
    if (!options.linkPath.isEmpty() &&
        !link.create(options.linkPath, simulator.deviceName(), &error))
        return fail(error);

    // Whoever started kvtsim waits for this line; once it is there, so is the link.
    std::printf("%s\n", qPrintable(simulator.deviceName()));
    std::fflush(stdout);
    QObject::connect(&simulator, &Simulator::notice, [](const QString& text) {
        std::fprintf(stderr, "kvtsim: %s\n", qPrintable(text));
    });
    // Until kvtsim has noticed a host, what it sends is lost and what the
    // host sends waits: whoever drives both sides waits for this line.
    QObject::connect(&simulator, &Simulator::clientConnected, [] {
        std::printf("host: connected\n");
        std::fflush(stdout);
    });
    if (simulator.hasKeypad()) {
        printDisplay(simulator.display());
        QObject::connect(&simulator, &Simulator::displayChanged, &printDisplay);
        // Before the event loop runs, so before any host is served.
        simulator.press(options.keys);
    }

    // Reading the terminal from the background would stop kvtsim; with the
    // signal ignored the read fails instead, and the input is no longer read.
    std::signal(SIGTTIN, SIG_IGN);
    LineInput typed(STDIN_FILENO);
    QObject::connect(&typed, &LineInput::lineRead, &simulator,
                     [&simulator, &options](const QByteArray& line) {
                         pressTypedKeys(simulator, options.model, line);
                     });
    QObject::connect(&typed, &LineInput::lineTooLong, [] {
        std::fprintf(stderr, "kvtsim: line too long on standard input; ignored\n");
    });
    return app.exec();
}
