#pragma once

#include "Controller.h"

#include <QByteArrayList>

namespace kvt::sim {

// The KVT7 single-axis controller as its host sees it: upper-case commands
// ended by CR, every one answered with reply lines (CR LF) and the ">" prompt.
//
// Simulated: POS, DSP, G00,<steps> (relative move) and G92,<steps> (set the
// position). Every other well-formed line is accepted with OK, so the host's
// dialogs keep working while their commands are not modelled yet.
class Kvt7Controller : public Controller {
public:
    static constexpr char prompt = '>';
    // The position counter shows a sign and seven digits.
    static constexpr int positionLimit = 9'999'999;
    // Longer lines are answered "?" as a whole; the rest of an overlong line
    // is not kept, so a host that never sends CR cannot grow the buffer.
    static constexpr int maxLineLength = 80;

    Replies receive(const QByteArray& bytes) override;
    Replies greeting() override;
    void discardPartialInput() override;

    int position() const { return m_position; }

private:
    // What DSP shows; the setup commands will change it.
    struct Setup {
        int startSpeed = 100;
        int runSpeed = 1000;
        int acceleration = 500;
        int homeSpeed = 200;
        int jogSpeed = 100;
        bool clockwise = true;
        bool sensorsNormallyOpen = true;
    };

    QByteArrayList answer(const QByteArray& line);
    QByteArrayList moveBy(const QByteArray& argument);
    QByteArrayList setPosition(const QByteArray& argument);
    QByteArrayList showSetup() const;

    QByteArray m_line;
    bool m_lineOverflowed = false;
    int m_position = 0;
    Setup m_setup;
};

} // namespace kvt::sim
