#include "AppContext.h"
#include "CommandLine.h"
#include "FrontEnds.h"
#include "StartupWindow.h"
#include "Version.h"
#include "frontend/PortMemory.h"
#include "frontend/PortsDialog.h"
#include "link/QtSerialPort.h"
#include "shell/QtOperator.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>

#include <cstdio>

namespace {

int printOutcome(const kvt::CommandLine& commandLine)
{
    const QByteArray text = commandLine.text.toLocal8Bit();
    std::FILE* stream = commandLine.action == kvt::CommandLine::Action::Fail ? stderr : stdout;
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stream);
    return commandLine.exitCode();
}

// --help, --version and mistakes on the command line must be answered on a
// machine without a display too, where QApplication cannot start.
bool noDisplay()
{
#ifdef Q_OS_LINUX
    return qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return false;
#endif
}

// The names QSettings finds the Ports dialog's memory by, in both the text and
// the window start, so that --list-ports tells what the windows open.
void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("kvtcomm"));
    QCoreApplication::setOrganizationName(QStringLiteral("kvtcomm"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVTCOMM_VERSION));
}

kvt::CommandLine parseCommandLine()
{
    const QSettings memory;
    return kvt::CommandLine::parse(QCoreApplication::arguments(), kvt::ports::remembered(memory));
}

bool asksForTextOnly(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-v" || arg == "--version" ||
            arg == "--list-ports")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (asksForTextOnly(argc, argv) || noDisplay()) {
        QCoreApplication core(argc, argv);
        nameTheProgram();
        const kvt::CommandLine commandLine = parseCommandLine();
        if (commandLine.action != kvt::CommandLine::Action::Run)
            return printOutcome(commandLine);
        std::fputs("kvtcomm: no graphical display to show its windows on "
                   "(DISPLAY and WAYLAND_DISPLAY are not set); download, upload and send "
                   "need none\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    nameTheProgram();
    // X11 window managers take the icon from the windows; Wayland compositors
    // take it from the desktop entry of this name.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kvtcomm.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral("kvtcomm"));

    const kvt::CommandLine commandLine = parseCommandLine();
    if (commandLine.action != kvt::CommandLine::Action::Run)
        return printOutcome(commandLine);

    kvt::QtOperator op;
    QSettings memory;
    kvt::PortMap portMap = commandLine.portMap;
    kvt::FrontEnds frontEnds(
        kvt::AppContext{op,
                        [&portMap] { return std::make_unique<kvt::QtSerialPort>(portMap); },
                        {},
                        commandLine.trafficLogPath});

    auto* startup = new kvt::StartupWindow(frontEnds);
    QObject::connect(startup, &kvt::StartupWindow::portsRequested, startup, [&, startup] {
        kvt::PortsDialog dialog(portMap, startup);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const QMap<int, QString> chosen = dialog.chosen();
        kvt::ports::remember(memory, chosen);
        for (auto it = chosen.cbegin(); it != chosen.cend(); ++it)
            portMap.setDevice(it.key(), it.value());
    });
    startup->show();
    const int status = app.exec();
    // Windows closed last are only scheduled for deletion; delete them while
    // the operator and the ports' owners they refer to still exist.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
