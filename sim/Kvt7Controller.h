#pragma once

#include "Controller.h"

#include <QByteArrayList>

#include <array>
#include <optional>

namespace kvt::sim {

// The KVT7 single-axis controller as its host sees it: upper-case commands
// ended by CR, every one answered with reply lines (CR LF) and the ">" prompt.
//
// Modelled: the position (moves, jogs, home search, set position), eight
// outputs read back as inputs, the setup parameters with their multi-line
// entry, and four stored programs with download line by line and listing.
// Every other well-formed line is accepted with OK, so the host's commands
// that are not modelled (end input searches, say) still get an answer.
class Kvt7Controller : public Controller {
public:
    static constexpr char prompt = '>';
    // The position counter shows a sign and seven digits.
    static constexpr int positionLimit = 9'999'999;
    // Longer lines are answered "?" as a whole; the rest of an overlong line
    // is not kept, so a host that never sends CR cannot grow the buffer.
    static constexpr int maxLineLength = 80;
    static constexpr int programCount = 4;
    static constexpr int outputCount = 8;
    // Lines a program may hold between its M31 and M30 lines, so a download
    // that never ends cannot grow the memory.
    static constexpr int maxProgramLines = 200;

    // corruptLine: this line of every program stored, counted from its M31
    // line, is kept with its last character changed; 0: none.
    explicit Kvt7Controller(milliseconds listingPause = milliseconds{0}, int corruptLine = 0);

    Replies receive(const QByteArray& bytes) override;
    Replies greeting() override;
    // Also abandons an unfinished parameter entry or program download: the
    // stored setup and programs stay as they were.
    void discardPartialInput() override;

    int position() const { return m_position; }

private:
    // What DSP shows. Values are kept as the host sent them, so DSP shows
    // "1.5" where "1.5" was entered.
    struct Setup {
        QByteArrayList runProfile{"500", "5000", "1"};
        QByteArrayList homeProfile{"400", "1000", "1"};
        QByteArrayList jogSpeed{"800"};
        bool clockwise = true;
        bool sensorsNormallyOpen = true;
    };
    // After PROF, PROFH or JOG: the value lines that follow.
    struct ValueEntry {
        QByteArrayList Setup::*target;
        QByteArrayList values;
    };
    // Between M31,n and M30.
    struct ProgramEntry {
        int number;
        QByteArrayList lines;
        // A line was refused; the program will not replace the stored one.
        bool spoilt = false;
    };

    Replies answer(const QByteArray& line, bool overflowed);
    QByteArrayList execute(const QByteArray& name, const std::optional<QByteArray>& argument);
    QByteArrayList takeValue(const QByteArray& line, bool overflowed);
    QByteArrayList storeProgramLine(const QByteArray& line, bool overflowed);
    QByteArrayList startProgram(const std::optional<QByteArray>& argument);
    Replies listProgram(int number) const;
    QByteArrayList moveTo(const QByteArray& argument);
    QByteArrayList moveBy(const QByteArray& argument);
    QByteArrayList switchOutput(const QByteArray& name);
    QByteArrayList showSetup() const;
    void clearLine();

    milliseconds m_listingPause;
    int m_corruptLine;
    QByteArray m_line;
    bool m_lineOverflowed = false;
    int m_position = 0;
    // Bit n is output n.
    quint8 m_outputs = 0;
    Setup m_setup;
    std::optional<ValueEntry> m_valueEntry;
    std::optional<ProgramEntry> m_programEntry;
    // The lines after each program's M31 line, M30 included; empty when
    // never stored or deleted.
    std::array<QByteArrayList, programCount> m_programs;
};

} // namespace kvt::sim
