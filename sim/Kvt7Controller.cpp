#include "Kvt7Controller.h"

#include <cstdlib>

namespace kvt::sim {

namespace {

constexpr char carriageReturn = '\r';
constexpr char lineFeed = '\n';

const QByteArray accepted = QByteArrayLiteral("OK");
// The line is no command at all: empty, overlong, lower case or binary.
const QByteArray notUnderstood = QByteArrayLiteral("?");
// A known command with a missing, malformed or out-of-range argument, or one
// that does not fit the state the controller is in.
const QByteArray rejected = QByteArrayLiteral("ERR");
const QByteArray programEnd = QByteArrayLiteral("M30");

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

// Speeds and accelerations: the host's dialogs turn their text into a number
// and back, which keeps a fraction's decimal point but never adds a sign.
bool isSetupValue(const QByteArray& text)
{
    qsizetype digits = 0;
    qsizetype points = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.')
            ++points;
        else
            return false;
    }
    return digits > 0 && points <= 1;
}

QByteArray signedPosition(int position)
{
    const QByteArray digits = QByteArray::number(std::abs(position)).rightJustified(7, '0');
    return (position < 0 ? "-" : "+") + digits;
}

QByteArray bitPattern(quint8 bits)
{
    QByteArray pattern;
    for (int bit = Kvt7Controller::outputCount - 1; bit >= 0; --bit)
        pattern += ((bits >> bit) & 1) ? '1' : '0';
    return pattern;
}

std::optional<int> programDigit(const QByteArray& text)
{
    if (text.size() != 1 || text[0] < '0' || text[0] >= '0' + Kvt7Controller::programCount)
        return std::nullopt;
    return text[0] - '0';
}

// "DP2", "TRG0", "DELP3": the prefix and one program digit.
std::optional<int> programNumber(const QByteArray& name, const char* prefix)
{
    return name.startsWith(prefix) ? programDigit(name.mid(qstrlen(prefix))) : std::nullopt;
}

struct Command {
    QByteArray name;
    std::optional<QByteArray> argument; // what follows the first comma
};

Command splitCommand(const QByteArray& line)
{
    const qsizetype comma = line.indexOf(',');
    if (comma < 0)
        return {line, std::nullopt};
    return {line.left(comma), line.mid(comma + 1)};
}

} // namespace

Kvt7Controller::Kvt7Controller(milliseconds listingPause, int corruptLine)
    : m_listingPause(listingPause), m_corruptLine(corruptLine)
{
}

Replies Kvt7Controller::receive(const QByteArray& bytes)
{
    Replies replies;
    for (const char c : bytes) {
        if (c == carriageReturn) {
            replies.append(answer(m_line.trimmed(), m_lineOverflowed));
            clearLine();
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
    clearLine();
    m_valueEntry.reset();
    m_programEntry.reset();
}

void Kvt7Controller::clearLine()
{
    m_line.clear();
    m_lineOverflowed = false;
}

Replies Kvt7Controller::answer(const QByteArray& line, bool overflowed)
{
    if (m_programEntry)
        return {promptedReply(storeProgramLine(line, overflowed))};
    if (m_valueEntry)
        return {promptedReply(takeValue(line, overflowed))};
    if (overflowed || line.isEmpty() || !isCommandText(line))
        return {promptedReply({notUnderstood})};

    const auto [name, argument] = splitCommand(line);
    if (name.startsWith("DP")) {
        const std::optional<int> number = programNumber(name, "DP");
        if (number && !argument)
            return listProgram(*number);
        return {promptedReply({rejected})};
    }
    return {promptedReply(execute(name, argument))};
}

QByteArrayList Kvt7Controller::execute(const QByteArray& name,
                                       const std::optional<QByteArray>& argument)
{
    // The simulated motor gets wherever it is sent at once, so an absolute
    // move, an absolute jog and setting the counter all end the same way.
    if (name == "G00" || name == "G15" || name == "G92")
        return argument ? moveTo(*argument) : QByteArrayList{rejected};
    if (name == "G10" || name == "G16")
        return argument ? moveBy(*argument) : QByteArrayList{rejected};
    if (name == "M31")
        return startProgram(argument);

    static const QByteArrayList withoutArgument = {
        "POS", "DSP", "RD.OUT", "RD.IN",  "G27",    "PROF", "PROFH",
        "JOG", "CW",  "CCW",    "SEN.NO", "SEN.NC", "M28",  "M30",
    };
    const bool outputCommand = name.startsWith("M2");
    const bool programCommand = name.startsWith("TRG") || name.startsWith("DELP");
    if (!withoutArgument.contains(name) && !outputCommand && !programCommand)
        return {accepted};
    if (argument)
        return {rejected};

    if (name == "POS")
        return {"POS=" + signedPosition(m_position)};
    if (name == "DSP")
        return showSetup();
    // The inputs read the outputs, as on a test bench with each output wired
    // back to the input of its number, so a host sees both change.
    if (name == "RD.OUT" || name == "RD.IN")
        return {(name == "RD.OUT" ? "OUT=" : "IN=") + bitPattern(m_outputs)};
    if (name == "G27") {
        m_position = 0;
        return {accepted};
    }
    if (name == "PROF" || name == "PROFH" || name == "JOG") {
        m_valueEntry = ValueEntry{name == "PROF"    ? &Setup::runProfile
                                  : name == "PROFH" ? &Setup::homeProfile
                                                    : &Setup::jogSpeed,
                                  {}};
        return {accepted};
    }
    if (name == "CW" || name == "CCW") {
        m_setup.clockwise = name == "CW";
        return {accepted};
    }
    if (name == "SEN.NO" || name == "SEN.NC") {
        m_setup.sensorsNormallyOpen = name == "SEN.NO";
        return {accepted};
    }
    if (name == "M28") {
        m_outputs = 0;
        return {accepted};
    }
    if (name == programEnd) // no program is being entered
        return {rejected};
    if (outputCommand)
        return switchOutput(name);
    if (const std::optional<int> number = programNumber(name, "DELP")) {
        m_programs[*number].clear();
        return {accepted};
    }
    // A trigger is acknowledged; the stored program is not run.
    return programNumber(name, "TRG") ? QByteArrayList{accepted} : QByteArrayList{rejected};
}

QByteArrayList Kvt7Controller::takeValue(const QByteArray& line, bool overflowed)
{
    ValueEntry& entry = *m_valueEntry;
    if (overflowed || !isSetupValue(line)) {
        // The parameters set so far are dropped with the rest: a profile is
        // taken over whole or not at all.
        m_valueEntry.reset();
        return {rejected};
    }
    entry.values.append(line);
    if (entry.values.size() == (m_setup.*entry.target).size()) {
        m_setup.*entry.target = entry.values;
        m_valueEntry.reset();
    }
    return {accepted};
}

QByteArrayList Kvt7Controller::startProgram(const std::optional<QByteArray>& argument)
{
    const std::optional<int> number = argument ? programDigit(*argument) : std::nullopt;
    if (!number)
        return {rejected};
    // A second M31 starts over, so a download cut short can simply be repeated.
    m_programEntry = ProgramEntry{*number, {}};
    return {accepted};
}

QByteArrayList Kvt7Controller::storeProgramLine(const QByteArray& line, bool overflowed)
{
    ProgramEntry& entry = *m_programEntry;
    if (line.isEmpty() && !overflowed)
        return {notUnderstood}; // nothing is lost by skipping it
    if (overflowed || !isCommandText(line)) {
        entry.spoilt = true;
        return {notUnderstood};
    }
    if (line == programEnd) {
        ProgramEntry finished = *std::exchange(m_programEntry, std::nullopt);
        if (finished.spoilt)
            return {rejected};
        if (m_corruptLine >= 2 && m_corruptLine - 2 < finished.lines.size())
            spoilLastCharacter(finished.lines[m_corruptLine - 2]);
        m_programs[finished.number] = finished.lines + QByteArrayList{programEnd};
        return {accepted};
    }
    if (const Command command = splitCommand(line); command.name == "M31") {
        const QByteArrayList reply = startProgram(command.argument);
        if (reply.constFirst() != accepted)
            entry.spoilt = true;
        return reply;
    }
    // The host reads a listing up to the first "M30" and takes every ">" for a
    // prompt, so a line holding either would not come back as it was sent.
    // A program that has already lost a line would run wrongly; it is not kept.
    if (entry.spoilt || line.contains(prompt) || line.contains(programEnd) ||
        entry.lines.size() >= maxProgramLines) {
        entry.spoilt = true;
        return {rejected};
    }
    entry.lines.append(line);
    return {accepted};
}

Replies Kvt7Controller::listProgram(int number) const
{
    const QByteArray digit = QByteArray::number(number);
    const QByteArrayList lines =
        m_programs[number].isEmpty() ? QByteArrayList{programEnd} : m_programs[number];
    Replies pieces;
    for (const QByteArray& line : lines) {
        Reply piece{line + "\r\n\r\n" + prompt};
        if (pieces.isEmpty()) {
            piece.bytes.prepend("DP" + digit + "\r\n#" + digit + "\r\n");
        } else {
            piece.delay = m_listingPause;
            piece.continuesAnswer = true;
        }
        pieces.append(piece);
    }
    return pieces;
}

QByteArrayList Kvt7Controller::moveTo(const QByteArray& argument)
{
    const std::optional<int> steps = parseSteps(argument);
    if (!steps)
        return {rejected};
    m_position = *steps;
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

QByteArrayList Kvt7Controller::switchOutput(const QByteArray& name)
{
    // "M2" + output digit + "+" (on) or "-" (off).
    if (name.size() != 4 || name[2] < '0' || name[2] >= '0' + outputCount ||
        (name[3] != '+' && name[3] != '-'))
        return {rejected};
    const auto bit = quint8(1u << (name[2] - '0'));
    m_outputs = name[3] == '+' ? quint8(m_outputs | bit) : quint8(m_outputs & ~bit);
    return {accepted};
}

QByteArrayList Kvt7Controller::showSetup() const
{
    return {
        "PROF=" + m_setup.runProfile.join(','),
        "PROFH=" + m_setup.homeProfile.join(','),
        "JOG=" + m_setup.jogSpeed.join(','),
        m_setup.clockwise ? "DIR=CW" : "DIR=CCW",
        m_setup.sensorsNormallyOpen ? "SEN=NO" : "SEN=NC",
    };
}

} // namespace kvt::sim
