#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

class QIODevice;

namespace kvt {

// Why a file's bytes are no program the editor could take, as one sentence
// that names the line, so that the operator knows where to look.
struct FileProblem {
    QString text;
};

// One controller program on disk: a double quote, the editor text in
// Windows-1252, a double quote, CR LF. Nothing else, no escaping.
class ProgramFile {
public:
    // Far beyond any controller program; a larger file is not one, and loading
    // it would freeze the window.
    static constexpr qint64 maxBytes = 4 * 1024 * 1024;

    explicit ProgramFile(QString path) : m_path(std::move(path)) {}

    // The editor text, line breaks as CR LF; nothing when the file cannot be
    // read whole or holds no program (errorString() says why).
    std::optional<QString> read();

    // Replaces the file only once the new one is complete: until then the old
    // file stays as it was. False with errorString() when nothing was replaced.
    bool write(const QString& text);

    QString errorString() const { return m_error; }

    // How the bytes of a file read as editor text, or why they cannot.
    // The bytes are Windows-1252, as this program writes them, unless a byte
    // order mark says UTF-8 or UTF-16 or the file is UTF-8 with characters of
    // more than one byte, as today's editors save it: such a file is read as
    // what it is. Refused, before anything could reach a controller: control
    // characters but CR, LF and tab, the bytes Windows-1252 leaves undefined,
    // and characters Windows-1252 has no place for.
    // The characters then read:
    // - a file in exactly the form write() makes (it begins with a double quote
    //   and ends with a double quote and CR LF) is everything between them, so
    //   any saved text reads back unchanged, double quotes inside included;
    // - a file that does not begin with a double quote, written by another
    //   editor, is plain text;
    // - any other file is read field by field (see readFields).
    static std::variant<QString, FileProblem> decode(const QByteArray& bytes);

    // Comma- or line-delimited fields joined with nothing between them, the
    // way files of this format have always been read. Blanks around an
    // unquoted field are dropped; a field that begins with a double quote runs
    // to the next double quote across commas and line breaks, and whatever
    // follows that quote up to the next delimiter is kept.
    static QString readFields(const QString& text);

    // The record for text that Windows-1252 can hold (see Windows1252).
    static std::optional<QByteArray> encode(const QString& text);

private:
    // At most maxBytes; a read error or a longer device gives nothing and a reason.
    static std::optional<QByteArray> readAll(QIODevice& device, QString* error);
    // A short or failed write gives false and a reason.
    static bool writeAll(QIODevice& device, const QByteArray& bytes, QString* error);
    bool writeInPlace(const QByteArray& record);

    QString m_path;
    QString m_error;
};

} // namespace kvt
