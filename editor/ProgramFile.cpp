#include "ProgramFile.h"

#include "ProgramText.h"
#include "link/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#endif

namespace kvt {

namespace {

const QString notAFile = QStringLiteral("Not a regular file");

bool isQuote(QChar c)
{
    return c == u'"';
}

bool isDelimiter(QChar c)
{
    return c == u',' || c == u'\r' || c == u'\n';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

std::optional<QString> ProgramFile::read()
{
    m_error.clear();
    const QFileInfo info(m_path);
    // A device or a pipe could block the window for good or never end.
    if (info.exists() && !info.isFile() && !info.isDir()) {
        m_error = notAFile;
        return std::nullopt;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = readAll(file, &m_error);
    if (!bytes)
        return std::nullopt;
    return decode(*bytes);
}

bool ProgramFile::write(const QString& text)
{
    m_error.clear();
    const std::optional<QByteArray> record = encode(text);
    if (!record) {
        m_error = QStringLiteral("The text holds a character that Windows-1252 cannot store");
        return false;
    }
    const QFileInfo info(m_path);
    // Replacing a device by a renamed file would destroy the device node.
    if (info.exists() && !info.isFile() && !info.isDir())
        return writeInPlace(*record);

    QSaveFile file(m_path);
    // Unbuffered and flushed by hand: Qt 6.4's commit() ignores a failing
    // final flush and would put a file cut short in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_error = file.errorString();
        return false;
    }
    if (!writeAll(file, *record, &m_error) || !file.flush()) {
        if (m_error.isEmpty())
            m_error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

bool ProgramFile::writeInPlace(const QByteArray& record)
{
    QFile file;
#ifdef Q_OS_UNIX
    // Without O_NONBLOCK a pipe nobody reads would hold the window for good.
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        m_error = file.errorString();
        return false;
    }
#else
    file.setFileName(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_error = file.errorString();
        return false;
    }
#endif
    if (!writeAll(file, record, &m_error))
        return false;
    file.close();
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

QString ProgramFile::decode(const QByteArray& bytes)
{
    const QString text = Windows1252::decode(bytes);
    if (!text.startsWith(u'"'))
        return ProgramText::withCrLf(text);
    if (text.size() >= 4 && text.endsWith(QLatin1String("\"\r\n")))
        return ProgramText::withCrLf(text.mid(1, text.size() - 4));
    return ProgramText::withCrLf(readFields(text));
}

QString ProgramFile::readFields(const QString& text)
{
    QString joined;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        while (pos < n && isBlank(text.at(pos)))
            ++pos;
        if (pos < n && isQuote(text.at(pos))) {
            const qsizetype close = text.indexOf(u'"', pos + 1);
            if (close < 0) {
                joined += text.mid(pos + 1);
                break;
            }
            joined += text.mid(pos + 1, close - pos - 1);
            pos = close + 1;
            const qsizetype start = pos;
            while (pos < n && !isDelimiter(text.at(pos)))
                ++pos;
            joined += text.mid(start, pos - start);
        } else {
            const qsizetype start = pos;
            while (pos < n && !isDelimiter(text.at(pos)))
                ++pos;
            qsizetype end = pos;
            while (end > start && isBlank(text.at(end - 1)))
                --end;
            joined += text.mid(start, end - start);
        }
        if (pos < n) {
            const bool pair = text.at(pos) == u'\r' && pos + 1 < n && text.at(pos + 1) == u'\n';
            pos += pair ? 2 : 1;
        }
    }
    return joined;
}

std::optional<QByteArray> ProgramFile::encode(const QString& text)
{
    std::optional<QByteArray> bytes = Windows1252::encode(text);
    if (!bytes)
        return std::nullopt;
    bytes->prepend('"');
    bytes->append("\"\r\n");
    return bytes;
}

std::optional<QByteArray> ProgramFile::readAll(QIODevice& device, QString* error)
{
    QByteArray bytes;
    char chunk[16384];
    for (;;) {
        const qint64 got = device.read(chunk, sizeof chunk);
        if (got < 0) {
            *error = device.errorString();
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.append(chunk, got);
        if (bytes.size() > maxBytes) {
            *error = QStringLiteral("The file is larger than %1 bytes, too large for a program")
                         .arg(maxBytes);
            return std::nullopt;
        }
    }
    return bytes;
}

bool ProgramFile::writeAll(QIODevice& device, const QByteArray& bytes, QString* error)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 wrote = device.write(bytes.constData() + done, bytes.size() - done);
        if (wrote <= 0) {
            *error = device.errorString();
            return false;
        }
        done += wrote;
    }
    return true;
}

} // namespace kvt
