#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QFile>

namespace kvt::test {

SimProcess::SimProcess(QStringList arguments)
{
    arguments << QStringLiteral("--log") << m_dir.filePath(QStringLiteral("received.log"));
    m_process.setProgram(QStringLiteral(KVTSIM_PATH));
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    const QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine() && !deadline.hasExpired() &&
           m_process.state() != QProcess::NotRunning)
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (m_device.isEmpty())
        m_error =
            QString::fromLocal8Bit(m_process.readAllStandardError()) + m_process.errorString();
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
