#include "BlockController.h"

namespace kvt::sim {

namespace {

const QByteArray blockEnd = QByteArrayLiteral("END");
const QByteArray lineEcho = QByteArrayLiteral("OK\r");
constexpr char cancelByte = 'C';
// S00-S05: three downloads, then three uploads, each in the kinds' order.
constexpr int commandCount = 2 * BlockController::kindCount;

std::optional<int> commandNumber(const QByteArray& line)
{
    if (line.size() != 3 || !line.startsWith("S0") || line[2] < '0' ||
        line[2] >= '0' + commandCount)
        return std::nullopt;
    return line[2] - '0';
}

QString kindName(BlockController::Kind kind)
{
    switch (kind) {
    case BlockController::Kind::Program:
        return QStringLiteral("program");
    case BlockController::Kind::PositionData:
        return QStringLiteral("position data");
    case BlockController::Kind::Parameters:
        break;
    }
    return QStringLiteral("parameter");
}

QString lineCount(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(count);
}

} // namespace

BlockController::BlockController(const QString& model, const ControllerSettings& settings)
    : m_model(model), m_settings(settings)
{
    m_blocks[0] = settings.storedProgram;
}

Replies BlockController::receive(const QByteArray& bytes)
{
    Replies replies;
    for (const char c : bytes) {
        if (c == '\r') {
            replies += takeLine(std::exchange(m_line, {}), std::exchange(m_lineOverflowed, false));
        } else if (c == '\n') {
            // A host sending CR LF has ended its line with the CR already.
        } else if (m_line.size() < maxLineLength) {
            m_line.append(c);
        } else {
            m_lineOverflowed = true;
        }
    }
    return replies;
}

Replies BlockController::takeLine(QByteArray line, bool overflowed)
{
    if (!overflowed && line.startsWith(cancelByte) &&
        (line.size() == 1 || commandNumber(line.mid(1)))) {
        // Outside a block this is the cancel of a download already given up.
        if (m_download)
            abandon(QStringLiteral("cancelled by the host"));
        line.remove(0, 1);
        if (line.isEmpty())
            return {};
    }
    if (line.isEmpty() && !overflowed)
        return {};
    if (const std::optional<int> command = overflowed ? std::nullopt : commandNumber(line))
        return execute(*command);
    if (!m_download)
        return {};
    takeBlockLine(line, overflowed);
    return m_settings.echoLines ? Replies{{lineEcho}} : Replies{};
}

Replies BlockController::execute(int command)
{
    if (m_download)
        abandon(QStringLiteral("cut off by S0%1").arg(command));
    const auto kind = Kind(command % kindCount);
    if (command >= kindCount)
        return upload(kind);
    m_download = Download{kind, {}};
    notify(kind, QStringLiteral("block being received"));
    return m_settings.echoLines ? Replies{{lineEcho}} : Replies{};
}

void BlockController::takeBlockLine(const QByteArray& line, bool overflowed)
{
    Download& download = *m_download;
    if (line == blockEnd && !overflowed)
        store();
    else if (download.refused)
        return;
    else if (overflowed)
        refuse(QStringLiteral("a line over %1 characters").arg(maxLineLength));
    else if (download.lines.size() >= maxBlockLines)
        refuse(QStringLiteral("more than %1 lines").arg(maxBlockLines));
    else
        download.lines.append(line);
}

void BlockController::store()
{
    Download download = *std::exchange(m_download, std::nullopt);
    if (download.refused)
        return; // told when it was refused
    QString told = QStringLiteral("block stored, ") + lineCount(download.lines.size());
    const int corrupt = m_settings.corruptLine;
    if (corrupt > 0 && corrupt <= download.lines.size()) {
        QByteArray& line = download.lines[corrupt - 1];
        spoilLastCharacter(line);
        told += QStringLiteral(", line %1 changed to %2").arg(corrupt).arg(QLatin1String(line));
    }
    m_blocks[int(download.kind)] = download.lines;
    notify(download.kind, told);
}

void BlockController::refuse(const QString& reason)
{
    m_download->refused = true;
    m_download->lines.clear();
    notify(m_download->kind,
           QStringLiteral("block refused, %1; nothing will be stored").arg(reason));
}

void BlockController::abandon(const QString& why)
{
    const Kind kind = std::exchange(m_download, std::nullopt)->kind;
    notify(kind, QStringLiteral("block abandoned, %1; the stored one stays").arg(why));
}

Replies BlockController::upload(Kind kind)
{
    const std::optional<QByteArrayList>& stored = m_blocks[int(kind)];
    const Replies pieces = deliveredLines(stored.value_or(QByteArrayList{}), blockEnd,
                                          uploadPieceSize, lineBytesPerSecond);
    notify(kind, stored ? QStringLiteral("block sent, ") + lineCount(stored->size())
                        : QStringLiteral("block never stored; sent END alone"));
    return pieces;
}

void BlockController::discardPartialInput()
{
    m_line.clear();
    m_lineOverflowed = false;
    if (m_download)
        abandon(QStringLiteral("the host closed the line"));
}

void BlockController::notify(Kind kind, const QString& text)
{
    m_notices.append(m_model + QStringLiteral(": ") + kindName(kind) + u' ' + text);
}

} // namespace kvt::sim
