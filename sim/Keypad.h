#pragma once

#include "Controller.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kvt::sim {

enum class Key {
    No,
    PlusMinus,
    Enter,
    Delete,
    Digit0,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
};

// The key names kvtsim takes, for help and error messages.
inline constexpr const char* keyNames = "NO, +/-, ENT, DEL, 0-9";

// Keys as an operator types them on kvtsim's standard input or in --keys:
// names apart by blanks or commas, in any case; a run of digits such as "12"
// presses each digit in turn.
struct KeyScript {
    QList<Key> keys;
    // Words that name no key, as typed.
    QStringList unknown;
};
KeyScript parseKeys(QStringView text);

// The front panel of a controller worked by hand. A key may make the
// controller send something on the line, returned like any other reply.
class Keypad {
public:
    virtual ~Keypad() = default;

    virtual Replies press(Key key) = 0;
    virtual QString display() const = 0;
    // Every text the display has shown since the last call, oldest first,
    // including a message that was shown only on the way back home.
    virtual QStringList takeDisplayChanges() = 0;
};

} // namespace kvt::sim
