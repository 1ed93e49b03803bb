#pragma once

#include "Controller.h"
#include "Keypad.h"

#include <QRandomGenerator>

#include <memory>

namespace kvt::sim {

// Ways a line or a controller misbehaves, for testing the host's reactions.
struct Faults {
    bool silent = false;
    // Answer this many commands, then fall silent; negative: never.
    int silentAfter = -1;
    milliseconds replyDelay{0};
    // Send output one byte at a time with this gap, like a slow line.
    milliseconds charDelay{0};
    bool garbage = false;
    quint32 seed = 0;
};

// Wraps a controller and spoils its output as the faults say. The wrapped
// controller still sees every command, so a command that goes unanswered has
// still been carried out, as when only the reply is lost on the line. What a
// key press sends is spoilt like an answer.
class FaultInjector : public Controller, public Keypad {
public:
    FaultInjector(std::unique_ptr<Controller> controller, const Faults& faults);

    Replies receive(const QByteArray& bytes) override;
    Replies greeting() override;
    void discardPartialInput() override;
    // This injector when the wrapped controller has a keypad.
    Keypad* keypad() override;
    QStringList takeNotices() override { return m_controller->takeNotices(); }

    Replies press(Key key) override;
    QString display() const override;
    QStringList takeDisplayChanges() override;

    // Garbage is drawn from these: control bytes and bytes above ASCII. Line
    // ends, XON/XOFF and anything printable are left out, so garbage never ends
    // a line early, fakes a prompt or stalls a host that honours flow control.
    static bool isGarbageByte(char byte);

private:
    Replies answered(const Replies& replies);
    Replies spoil(Replies replies, milliseconds firstDelay);
    QByteArray withGarbage(const QByteArray& bytes);

    std::unique_ptr<Controller> m_controller;
    Faults m_faults;
    QRandomGenerator m_random;
    int m_commandsAnswered = 0;
};

} // namespace kvt::sim
