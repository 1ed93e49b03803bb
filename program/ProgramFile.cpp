#include "ProgramFile.h"

#include "ProgramText.h"
#include "base/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

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

// A file's characters, and whether they came byte for byte from
// Windows-1252, in which case a refused one is told as the byte the operator
// finds in a hex view.
struct Characters {
    QString text;
    bool fromBytes = false;
};

Characters charactersOf(const QByteArray& bytes)
{
    const auto unicode = [&bytes](QStringConverter::Encoding encoding, qsizetype mark) {
        // Stateless: a sequence cut off at the end is a fault, not one awaiting more bytes.
        QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
        return Characters{decoder.decode(QByteArrayView(bytes).sliced(mark)), false};
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return unicode(QStringConverter::Utf8, 3);
    if (bytes.startsWith("\xFF\xFE"))
        return unicode(QStringConverter::Utf16LE, 2);
    if (bytes.startsWith("\xFE\xFF"))
        return unicode(QStringConverter::Utf16BE, 2);
    // Windows-1252 text almost never forms valid UTF-8 sequences by chance,
    // so a file that does was saved as UTF-8 without a mark. Not the editor's
    // own record (a quote, the text, a quote, CR LF): that is Windows-1252
    // whatever it holds, or typed text such as "Ã©" would not read back as saved.
    const bool ownRecord = bytes.size() >= 4 && bytes.startsWith('"') && bytes.endsWith("\"\r\n");
    if (!ownRecord &&
        std::any_of(bytes.begin(), bytes.end(), [](char b) { return uchar(b) >= 0x80; })) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return {std::move(text), false};
    }
    return {Windows1252::decode(bytes), true};
}

QString hex(char32_t code, int digits)
{
    return QString::number(uint(code), 16).toUpper().rightJustified(digits, u'0');
}

// The first character no program holds, with its line as an editor counts it.
std::optional<FileProblem> problemIn(const Characters& file)
{
    const QString& text = file.text;
    const qsizetype unencodable = Windows1252::firstUnencodable(text);
    qsizetype line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        const bool pairFollows = i + 1 < text.size() && text.at(i + 1) == u'\n';
        if (u == u'\n' || (u == u'\r' && !pairFollows)) {
            ++line;
            continue;
        }
        // Read from Windows-1252, 0x80 to 0x9F are printable but for the five
        // undefined bytes, which stay the C1 controls of their number.
        const bool control = (u < 0x20 && u != u'\r' && u != u'\t') || (u >= 0x7F && u < 0xA0);
        if (control && file.fromBytes)
            return FileProblem{QStringLiteral("Line %1 holds byte 0x%2, which %3.")
                                   .arg(line)
                                   .arg(hex(u, 2))
                                   .arg(u >= 0x80
                                            ? QStringLiteral("Windows-1252 leaves undefined")
                                            : QStringLiteral("is no character of a program"))};
        if (control)
            return FileProblem{
                QStringLiteral("Line %1 holds the control character U+%2, which is no character "
                               "of a program.")
                    .arg(line)
                    .arg(hex(u, 4))};
        if (i == unencodable) {
            const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() &&
                              text.at(i + 1).isLowSurrogate();
            const char32_t code = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : u;
            return FileProblem{QStringLiteral("Line %1 holds \"%2\" (U+%3), which a program file "
                                              "for the controller cannot hold.")
                                   .arg(line)
                                   .arg(text.mid(i, pair ? 2 : 1))
                                   .arg(hex(code, 4))};
        }
    }
    return std::nullopt;
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
    std::variant<QString, FileProblem> decoded = decode(*bytes);
    if (const FileProblem* problem = std::get_if<FileProblem>(&decoded)) {
        m_error = problem->text;
        return std::nullopt;
    }
    return std::get<QString>(std::move(decoded));
}

bool ProgramFile::write(const QString& text)
{
    m_error.clear();
    const std::optional<QByteArray> record = encode(text);
    if (!record) {
        m_error = QStringLiteral("The text holds a character that Windows-1252 cannot store");
        return false;
    }
    // A file Open would refuse is no file of the operator's: the text stays
    // in the editor to be mended instead.
    if (const auto readBack = decode(*record); std::holds_alternative<FileProblem>(readBack)) {
        m_error = std::get<FileProblem>(readBack).text;
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

std::variant<QString, FileProblem> ProgramFile::decode(const QByteArray& bytes)
{
    Characters file = charactersOf(bytes);
    if (std::optional<FileProblem> problem = problemIn(file))
        return *std::move(problem);
    const QString& text = file.text;
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
