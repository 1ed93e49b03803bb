#pragma once

#include "Controller.h"

#include <QByteArrayList>
#include <QStringList>

#include <memory>
#include <optional>

namespace kvt::sim {

// Choices about a controller's behaviour that its model leaves open.
struct ControllerSettings {
    // Between the lines of a program listing, as a controller reading its
    // program memory would pause; lets a test see a listing arrive in pieces.
    milliseconds listingPause{0};
    // Block models: every line of a download is answered at once, as some
    // controllers do, so a host can be shown not to stall on such answers.
    bool echoLines = false;
    // This line (from 1) of every block or program downloaded is stored with
    // a character changed, for a host's check of what was stored; 0: none.
    int corruptLine = 0;
    // Block models: the program block held from the start, bytes as they are,
    // as a controller whose program was written on its own panel.
    std::optional<QByteArrayList> storedProgram;
};

// The controller models kvtsim can play, by the names --model takes.
class ControllerFactory {
public:
    static QStringList models();
    // Worked from a keypad, so it takes keys on standard input and --keys.
    static bool hasKeypad(const QString& model);
    // Exchanges program, position data and parameter blocks (S00-S05).
    static bool takesBlocks(const QString& model);
    // nullptr for a model that is not simulated.
    static std::unique_ptr<Controller> create(const QString& model,
                                              const ControllerSettings& settings = {});
};

} // namespace kvt::sim
