#include "AppContext.h"
#include "CommandLine.h"
#include "FrontEnds.h"
#include "StartupWindow.h"
#include "app/shell/QtOperator.h"
#include "link/QtSerialPort.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvtcomm"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVTCOMM_VERSION));

    const kvt::CommandLine commandLine = kvt::CommandLine::parse(QCoreApplication::arguments());
    if (commandLine.action != kvt::CommandLine::Action::Run) {
        const QByteArray text = commandLine.text.toLocal8Bit();
        std::FILE* stream = commandLine.action == kvt::CommandLine::Action::Fail ? stderr : stdout;
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stream);
        return commandLine.exitCode();
    }

    kvt::QtOperator op;
    const kvt::PortMap portMap = commandLine.portMap;
    kvt::FrontEnds frontEnds(kvt::AppContext{
        op, [portMap] { return std::make_unique<kvt::QtSerialPort>(portMap); }, {}});

    auto* startup = new kvt::StartupWindow(frontEnds);
    startup->show();
    const int status = app.exec();
    // Windows closed last are only scheduled for deletion; delete them while
    // the operator and the ports' owners they refer to still exist.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
