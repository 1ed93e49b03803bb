#include "Kvt7Controller.h"

#include <cstdlib>
#include <optional>

namespace kvt::sim {

namespace {

constexpr char carriageReturn = '\r';
constexpr char lineFeed = '\n';

const QByteArray accepted = QByteArrayLiteral("OK");
// The line is no command at all: empty, overlong, lower case or binary.
const QByteArray notUnderstood = QByteArrayLiteral("?");
// A known command with a missing, malformed or out-of-range argument.
const QByteArray rejected = QByteArrayLiteral("ERR");

Reply promptedReply(const QByteArrayList& lines)
{
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    bytes += Kvt7Controller::prompt;
    return {bytes};
}

// The host only ever sends printable ASCII in upper case.
bool isCommandText(const QByteArray& line)
{
    for (const char c : line) {
        if (c < 0x20 || c > 0x7e || (c >= 'a' && c <= 'z'))
            return false;
    }
    return true;
}

// A sign is optional; the counter's seven digits bound every step value.
std::optional<int> parseSteps(const QByteArray& text)
{
    qsizetype digitsFrom = (text.startsWith('+') || text.startsWith('-')) ? 1 : 0;
    const qsizetype digits = text.size() - digitsFrom;
    if (digits < 1 || digits > 7)
        return std::nullopt;
    for (qsizetype i = digitsFrom; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    }
    return text.toInt();
}

QByteArray signedPosition(int position)
{
    const QByteArray digits = QByteArray::number(std::abs(position)).rightJustified(7, '0');
    return (position < 0 ? "-" : "+") + digits;
}

} // namespace

Replies Kvt7Controller::receive(const QByteArray& bytes)
{
    Replies replies;
    for (const char c : bytes) {
        if (c == carriageReturn) {
            const QByteArrayList lines =
                m_lineOverflowed ? QByteArrayList{notUnderstood} : answer(m_line.trimmed());
            replies.append(promptedReply(lines));
            discardPartialInput();
        } else if (c == lineFeed) {
            // Terminal programs send CR LF; the LF must not become an empty command.
        } else if (m_line.size() < maxLineLength) {
            m_line.append(c);
        } else {
            m_lineOverflowed = true;
        }
    }
    return replies;
}

Replies Kvt7Controller::greeting()
{
    return {promptedReply({"KVT7 SIMULATOR READY"})};
}

void Kvt7Controller::discardPartialInput()
{
    m_line.clear();
    m_lineOverflowed = false;
}

QByteArrayList Kvt7Controller::answer(const QByteArray& line)
{
    if (line.isEmpty() || !isCommandText(line))
        return {notUnderstood};

    const qsizetype comma = line.indexOf(',');
    const QByteArray name = comma < 0 ? line : line.left(comma);
    const std::optional<QByteArray> argument =
        comma < 0 ? std::nullopt : std::optional(line.mid(comma + 1));

    if (name == "POS" || name == "DSP") {
        if (argument)
            return {rejected};
        return name == "POS" ? QByteArrayList{"POS=" + signedPosition(m_position)} : showSetup();
    }
    if (name == "G00")
        return argument ? moveBy(*argument) : QByteArrayList{rejected};
    if (name == "G92")
        return argument ? setPosition(*argument) : QByteArrayList{rejected};
    return {accepted};
}

QByteArrayList Kvt7Controller::moveBy(const QByteArray& argument)
{
    const std::optional<int> steps = parseSteps(argument);
    if (!steps)
        return {rejected};
    // Both values are within seven digits, so the sum cannot overflow an int.
    const int target = m_position + *steps;
    if (target > positionLimit || target < -positionLimit)
        return {rejected};
    m_position = target;
    return {accepted};
}

QByteArrayList Kvt7Controller::setPosition(const QByteArray& argument)
{
    const std::optional<int> steps = parseSteps(argument);
    if (!steps)
        return {rejected};
    m_position = *steps;
    return {accepted};
}

QByteArrayList Kvt7Controller::showSetup() const
{
    const auto number = [](int value) { return QByteArray::number(value); };
    return {
        "PROF=" + number(m_setup.startSpeed) + ',' + number(m_setup.runSpeed) + ',' +
            number(m_setup.acceleration),
        "PROFH=" + number(m_setup.homeSpeed),
        "JOG=" + number(m_setup.jogSpeed),
        m_setup.clockwise ? "DIR=CW" : "DIR=CCW",
        m_setup.sensorsNormallyOpen ? "SEN=NO" : "SEN=NC",
    };
}

} // namespace kvt::sim
