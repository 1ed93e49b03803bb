#include "ReceiveLog.h"

namespace kvt::sim {

bool ReceiveLog::open(const QString& path, QString* error)
{
    m_file.setFileName(path);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return true;
    *error = QStringLiteral("cannot write the log %1: %2").arg(path, m_file.errorString());
    return false;
}

void ReceiveLog::record(const QByteArray& bytes, qint64 receivedAtUs)
{
    const QByteArray stamp = QByteArray::number(receivedAtUs) + ' ';
    QByteArray lines;
    for (const char c : bytes)
        lines += stamp + QByteArray::number(static_cast<unsigned char>(c)) + '\n';
    m_file.write(lines);
    m_file.flush();
}

} // namespace kvt::sim
