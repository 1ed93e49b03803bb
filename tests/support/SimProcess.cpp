#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace kvt::test {

namespace {
const QByteArray displayPrefix = QByteArrayLiteral("display: ");
}

SimProcess::SimProcess(QStringList arguments)
{
    arguments << QStringLiteral("--log") << m_dir.filePath(QStringLiteral("received.log"));
    m_process.setProgram(QStringLiteral(KVTSIM_PATH));
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    const QDeadlineTimer deadline(slowMachineMs);
    while (!m_process.canReadLine() && !deadline.hasExpired() &&
           m_process.state() != QProcess::NotRunning)
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (m_device.isEmpty()) {
        m_error =
            QString::fromLocal8Bit(m_process.readAllStandardError()) + m_process.errorString();
        return;
    }
    // Read on as it comes, so kvtsim never stalls on a full pipe.
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                     [this] { readOutput(); });
    readOutput();
}

SimProcess::~SimProcess()
{
    stop();
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}

bool SimProcess::pressKeys(const QString& keys)
{
    m_process.write(keys.toLocal8Bit() + '\n');
    return m_process.waitForBytesWritten(slowMachineMs);
}

void SimProcess::readOutput()
{
    while (m_process.canReadLine()) {
        const QByteArray line = m_process.readLine().chopped(1);
        if (line.startsWith(displayPrefix))
            m_displays.append(QString::fromLocal8Bit(line.mid(displayPrefix.size())));
        else if (line == hostConnected.toLatin1())
            m_displays.append(hostConnected);
    }
}

bool SimProcess::waitForDisplay(const QString& text, int timeoutMs)
{
    const auto take = [this, &text] {
        const qsizetype at = m_displays.indexOf(text);
        if (at >= 0)
            m_displays.remove(0, at + 1);
        return at >= 0;
    };
    if (take())
        return true;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    // Connected after readOutput(), so the new lines are collected by now.
    bool shown = false;
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &loop, [&] {
        shown = take();
        if (shown)
            loop.quit();
    });
    if (m_process.state() == QProcess::Running)
        loop.exec();
    return shown;
}

QByteArray SimProcess::receivedBytes() const
{
    QFile log(m_dir.filePath(QStringLiteral("received.log")));
    QByteArray bytes;
    if (!log.open(QIODevice::ReadOnly))
        return bytes;
    while (!log.atEnd()) {
        const QList<QByteArray> fields = log.readLine().trimmed().split(' ');
        if (fields.size() == 2)
            bytes += char(fields.at(1).toInt());
    }
    return bytes;
}

} // namespace kvt::test
