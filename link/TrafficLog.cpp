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
    connect(&m_flush, &QTimer::timeout, this, [this] {
        // Input that has gone quiet is written now, not when the line next stirs.
        if (m_entryOpen && m_entries.back().direction == Direction::Received &&
            m_clock.elapsed() - m_lastReceivedMs > m_burstGapMs)
            closeOpenEntry();
        m_file.flush();
    });
}

TrafficLog::~TrafficLog()
{
    closeOpenEntry();
}

void TrafficLog::recordReceived(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    m_receivedBytes += bytes.size();
    const qint64 now = m_clock.elapsed();
    const bool sameBurst = m_entryOpen && m_entries.back().direction == Direction::Received &&
                           now - m_lastReceivedMs <= m_burstGapMs &&
                           m_entries.back().bytes.size() + bytes.size() <= burstBytes;
    m_lastReceivedMs = now;
    if (sameBurst) {
        append(bytes);
        return;
    }
    closeOpenEntry();
    push(Direction::Received, QStringLiteral("received"), bytes);
}

void TrafficLog::recordSent(const QString& source, const QByteArray& bytes)
{
    m_sentBytes += bytes.size();
    if (m_entryOpen && m_entries.back().direction == Direction::Sent &&
        m_entries.back().source == source) {
        append(bytes);
        return;
    }
    closeOpenEntry();
    push(Direction::Sent, source, bytes);
}

void TrafficLog::endCommand()
{
    closeOpenEntry();
}

void TrafficLog::recordDropped(qint64 bytes)
{
    if (bytes <= 0)
        return;
    // A flood nobody waits for is one note that counts on, not a note per read.
    const bool counting = m_entryOpen && m_entries.back().direction == Direction::Note;
    if (!counting) {
        closeOpenEntry();
        m_unwantedBytes = 0;
    }
    m_unwantedBytes += bytes;
    const QByteArray note = QByteArrayLiteral("dropped ") + QByteArray::number(m_unwantedBytes) +
                            QByteArrayLiteral(" bytes nobody waited for");
    if (!counting) {
        push(Direction::Note, QStringLiteral("link"), note);
        return;
    }
    m_heldBytes += note.size() - m_entries.back().bytes.size();
    m_entries.back().bytes = note;
}

void TrafficLog::push(Direction direction, const QString& source, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    m_entries.push_back({m_next++, m_clock.elapsed(), direction, source, bytes});
    m_entryOpen = true;
    m_heldBytes += bytes.size();
    trim();
}

void TrafficLog::append(const QByteArray& bytes)
{
    m_entries.back().bytes += bytes;
    m_heldBytes += bytes.size();
    trim();
}

void TrafficLog::trim()
{
    // The newest entry stays whatever its size: it may still be growing.
    while (m_entries.size() > 1 &&
           (qsizetype(m_entries.size()) > m_limit || m_heldBytes > m_byteLimit)) {
        const qsizetype size = m_entries.front().bytes.size();
        m_heldBytes -= size;
        m_droppedBytes += size;
        ++m_droppedEntries;
        m_entries.pop_front();
    }
}

void TrafficLog::closeOpenEntry()
{
    if (!m_entryOpen)
        return;
    m_entryOpen = false;
    // Appending left room to grow that a finished entry no longer needs.
    m_entries.back().bytes.squeeze();
    writeLine(line(m_entries.back()).toUtf8() + '\n');
}

void TrafficLog::setLimit(qsizetype limit)
{
    m_limit = qMax<qsizetype>(limit, 1);
    trim();
}

void TrafficLog::setByteLimit(qsizetype bytes)
{
    m_byteLimit = qMax<qsizetype>(bytes, 1);
    trim();
}

void TrafficLog::clear()
{
    closeOpenEntry();
    m_entries.clear();
    m_heldBytes = 0;
    m_droppedEntries = 0;
    m_droppedBytes = 0;
    Q_EMIT cleared();
}

bool TrafficLog::writeTo(const QString& path, QString* error)
{
    m_file.close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        *error =
            QStringLiteral("Cannot write the traffic log %1: %2").arg(path, m_file.errorString());
        return false;
    }
    m_fileBytes = 0;
    m_flush.start();
    return true;
}

void TrafficLog::writeLine(const QByteArray& text)
{
    if (!m_file.isOpen())
        return;
    if (m_fileBytes > 0 && m_fileBytes + text.size() > m_fileCap)
        rotate();
    if (!m_file.isOpen())
        return;
    if (const qint64 written = m_file.write(text); written > 0)
        m_fileBytes += written;
}

void TrafficLog::rotate()
{
    const QString path = m_file.fileName();
    const QString older = path + QStringLiteral(".1");
    m_file.close();
    QFile::remove(older);
    // Should the rename fail, starting the file over still keeps it within its cap.
    QFile::rename(path, older);
    m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    m_fileBytes = 0;
}

QString TrafficLog::line(const Entry& entry, bool asHex, qsizetype shownBytes)
{
    if (entry.direction == Direction::Note)
        return QStringLiteral("%1 ms  note  %2  %3")
            .arg(entry.ms, 9)
            .arg(entry.source, -8)
            .arg(QString::fromUtf8(entry.bytes));
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
