#pragma once

namespace kvt {

enum class SpeedProfile { Running, Homing };

// The speed settings the KVT7 window remembers while it is open, so that its
// Setup dialogs open with the values last set. Nothing reads them back from
// the controller and nothing stores them.
struct Kvt7Speeds {
    struct Profile {
        int start; // pulses per second
        int max;   // pulses per second
        int accel; // in 100 ms
    };
    Profile homing{400, 1000, 1};
    Profile running{500, 5000, 1};
    int jog = 800;

    Profile& of(SpeedProfile profile) { return profile == SpeedProfile::Homing ? homing : running; }
};

} // namespace kvt
