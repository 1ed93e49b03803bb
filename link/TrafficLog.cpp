#include "TrafficLog.h"

namespace kvt {

namespace {
// The names operators know from serial terminals; everything else as <hex>.
const char* controlName(char c)
{
    switch (c) {
    case '\r':
        return "<CR>";
    case '\n':
        return "<LF>";
    case '\t':
        return "<TAB>";
    case '\x1b':
        return "<ESC>";
    case '\0':
        return "<NUL>";
    default:
        return nullptr;
    }
}
} // namespace

TrafficLog::TrafficLog(QObject* parent) : QObject(parent)
{
    m_clock.start();
    // A log written for a bug report must survive a crash of all but the last moment.
    m_flush.setInterval(500);
    connect(&m_flush, &QTimer::timeout, this, [this] { m_file.flush(); });
}

TrafficLog::~TrafficLog()
{
    closeOpenEntry();
}

void TrafficLog::recordReceived(const QByteArray& bytes)
{
    closeOpenEntry();
    push(Direction::Received, QStringLiteral("received"), bytes);
    closeOpenEntry();
}

void TrafficLog::recordDropped(qint64 bytes)
{
    static const QString dropped = QStringLiteral("dropped");
    if (bytes <= 0)
        return;
    if (!m_entryOpen || m_entries.back().source != dropped) {
        closeOpenEntry();
        m_droppedBytes = 0;
        push(Direction::Received, dropped, QByteArrayLiteral("-"));
    }
    m_droppedBytes += bytes;
    m_entries.back().bytes = QByteArray::number(m_droppedBytes) +
                             QByteArrayLiteral(" bytes nobody waited for were dropped");
}

void TrafficLog::recordSent(const QString& source, const QByteArray& bytes)
{
    if (m_entryOpen && m_entries.back().source == source) {
        m_entries.back().bytes += bytes;
        return;
    }
    closeOpenEntry();
    push(Direction::Sent, source, bytes);
}

void TrafficLog::endCommand()
{
    closeOpenEntry();
}

void TrafficLog::push(Direction direction, const QString& source, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    m_entries.push_back({m_next++, m_clock.elapsed(), direction, source, bytes});
    m_entryOpen = true;
    while (qsizetype(m_entries.size()) > m_limit)
        m_entries.pop_front();
}

void TrafficLog::closeOpenEntry()
{
    if (!m_entryOpen)
        return;
    m_entryOpen = false;
    if (m_file.isOpen())
        m_file.write(line(m_entries.back()).toUtf8() + '\n');
}

void TrafficLog::setLimit(qsizetype limit)
{
    m_limit = qMax<qsizetype>(limit, 1);
    while (qsizetype(m_entries.size()) > m_limit)
        m_entries.pop_front();
}

void TrafficLog::clear()
{
    closeOpenEntry();
    m_entries.clear();
    Q_EMIT cleared();
}

bool TrafficLog::writeTo(const QString& path, QString* error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        *error =
            QStringLiteral("Cannot write the traffic log %1: %2").arg(path, m_file.errorString());
        return false;
    }
    m_flush.start();
    return true;
}

QString TrafficLog::line(const Entry& entry, bool asHex, qsizetype shownBytes)
{
    const bool cut = shownBytes >= 0 && entry.bytes.size() > shownBytes;
    const QByteArray bytes = cut ? entry.bytes.left(shownBytes) : entry.bytes;
    return QStringLiteral("%1 ms  %2  %3  %4%5")
        .arg(entry.ms, 9)
        .arg(entry.direction == Direction::Sent ? QLatin1String("sent") : QLatin1String("recv"))
        .arg(entry.source, -8)
        .arg(asHex ? hex(bytes) : visible(bytes),
             cut ? QStringLiteral(" ... (%1 bytes)").arg(entry.bytes.size()) : QString());
}

QString TrafficLog::visible(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (const char* name = controlName(c))
            text += QLatin1String(name);
        else if (u < 0x20 || u >= 0x7f)
            text += QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0'));
        else if (c == '<')
            text += QLatin1String("<<"); // so a "<CR>" sent as text is not read as a CR
        else
            text += QLatin1Char(c);
    }
    return text;
}

QString TrafficLog::hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

} // namespace kvt
