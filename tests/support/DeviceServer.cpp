#include "DeviceServer.h"

#include "SimProcess.h"

#include <QFile>
#include <QTcpServer>
#include <QTest>

namespace kvt::test {

DeviceServer::DeviceServer(const QString& device)
{
    QTcpServer probe; // listens only long enough to find a free port
    probe.listen(QHostAddress::LocalHost, 0);
    m_port = probe.serverPort();
    probe.close();
    // "local": a pty has no modem lines to wait for.
    m_process.setProgram(QStringLiteral("/usr/sbin/ser2net"));
    m_process.setArguments(
        {"-n", "-d", "-P", m_dir.filePath(QStringLiteral("ser2net.pid")), "-Y",
         "connection: &controller", "-Y",
         QStringLiteral("  accepter: telnet(rfc2217),tcp,127.0.0.1,%1").arg(m_port), "-Y",
         QStringLiteral("  connector: serialdev,%1,9600n81,local").arg(device)});
    // Nobody reads its debug output: a full pipe would stop the server.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

DeviceServer::~DeviceServer()
{
    stop();
}

bool DeviceServer::start()
{
    m_process.start();
    const auto listening = [this] {
        // The system's table of sockets tells without connecting, which would
        // open the device behind the server.
        QFile table(QStringLiteral("/proc/net/tcp"));
        return table.open(QIODevice::ReadOnly) &&
               table.readAll().contains(QStringLiteral(" 0100007F:%1 00000000:0000 0A ")
                                            .arg(m_port, 4, 16, QLatin1Char('0'))
                                            .toUpper()
                                            .toLatin1());
    };
    if (QTest::qWaitFor([&] { return listening() || m_process.state() == QProcess::NotRunning; },
                        slowMachineMs) &&
        listening())
        return true;
    m_error = QStringLiteral("ser2net did not listen on port %1: %2")
                  .arg(m_port)
                  .arg(m_process.errorString());
    return false;
}

void DeviceServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(slowMachineMs))
        m_process.kill();
    m_process.waitForFinished(slowMachineMs);
}

QString DeviceServer::url() const
{
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_port);
}

} // namespace kvt::test
