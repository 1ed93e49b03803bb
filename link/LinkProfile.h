#pragma once

namespace kvt {

// How one front-end family paces SendData and treats its reply watchdog. What
// a transfer waits for between commands is not here: each job picks its own
// wait (see LineWait).
struct LinkProfile {
    // Wait for one pacing tick after every character (otherwise back to back,
    // with the pacing timer merely restarted by each character).
    bool waitForTickPerCharacter = true;
    // A send arms the watchdog (and a verdict of an earlier send is forgotten).
    bool sendArmsWatchdog = true;
    // Every pacing tick switches the watchdog off, so on these windows an
    // armed watchdog lives at most one pacing period after the last character.
    bool pacingTickStopsWatchdog = false;

    static LinkProfile kvt7() { return {}; }

    static LinkProfile kvt31_33()
    {
        LinkProfile p;
        p.pacingTickStopsWatchdog = true;
        return p;
    }

    static LinkProfile kvt52()
    {
        LinkProfile p;
        p.waitForTickPerCharacter = false;
        p.sendArmsWatchdog = false;
        p.pacingTickStopsWatchdog = true;
        return p;
    }
};

} // namespace kvt
