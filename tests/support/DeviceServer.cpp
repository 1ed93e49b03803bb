#include "DeviceServer.h"

#include "SimProcess.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>

namespace kvt::test {

DeviceServer::DeviceServer(const QString& device)
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) {
        m_error = probe.errorString();
        return;
    }
    m_port = probe.serverPort();
    probe.close();
    // "local": a pty has no modem lines to wait for.
    QFile config(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(QStringLiteral("connection: &controller\n"
                                    "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                                    "  connector: serialdev,%2,9600n81,local\n")
                         .arg(m_port)
                         .arg(device)
                         .toLocal8Bit()) < 0)
        m_error = config.errorString();
    const QString program = QStandardPaths::findExecutable(QStringLiteral("ser2net")).isEmpty()
                                ? QStringLiteral("/usr/sbin/ser2net")
                                : QStringLiteral("ser2net");
    m_process.setProgram(program);
    m_process.setArguments({QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-c"),
                            config.fileName(), QStringLiteral("-P"),
                            m_dir.filePath(QStringLiteral("ser2net.pid"))});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

DeviceServer::~DeviceServer()
{
    stop();
}

bool DeviceServer::start()
{
    if (!m_error.isEmpty())
        return false;
    m_process.start();
    if (!m_process.waitForStarted(slowMachineMs) ||
        !QTest::qWaitFor([this] { return listening() || m_process.state() != QProcess::Running; },
                         slowMachineMs) ||
        !listening()) {
        m_error = QStringLiteral("ser2net did not listen on port %1: %2")
                      .arg(m_port)
                      .arg(m_process.errorString());
        return false;
    }
    return true;
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

bool DeviceServer::listening() const
{
    // The system's table of sockets tells without connecting, which would
    // open the device behind the server.
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local =
        "0100007F:" + QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields.at(1) == local && fields.at(3) == "0A")
            return true;
    }
    return false;
}

} // namespace kvt::test
