#pragma once

namespace kvt {

// How one front-end family drives SendData, its pacing timer (tmrcharsend) and
// its reply watchdog (tmrwatchdog). The three families grew different habits;
// one engine serves them all through these switches.
struct LinkProfile {
    enum class ReceiveEffect {
        None,         // received data leaves the pacing timer alone
        StopPacing,   // received data stops it, except while a send waits for its tick
        RestartPacing // received data restarts a running quiet period
    };

    // Wait for one pacing tick after every character (otherwise back to back).
    bool waitForTickPerCharacter = true;
    // A send clears CommAbort and arms the watchdog.
    bool sendArmsWatchdog = true;
    // Every pacing tick switches the watchdog off.
    bool pacingTickStopsWatchdog = false;
    // The pacing timer runs once per (re)start, as a quiet-period detector.
    bool pacingOneShot = false;
    // Watchdog expiry also stops the pacing timer.
    bool watchdogStopsPacing = false;
    // A send also stops, and its drain wait ends, when the operator cancelled the transfer.
    bool sendStopsOnTransferAborted = false;
    ReceiveEffect receiveEffect = ReceiveEffect::None;

    static LinkProfile kvt7() { return {}; }

    static LinkProfile kvt31_33()
    {
        LinkProfile p;
        p.pacingTickStopsWatchdog = true;
        p.watchdogStopsPacing = true;
        p.receiveEffect = ReceiveEffect::StopPacing;
        return p;
    }

    static LinkProfile fourModel()
    {
        LinkProfile p;
        p.waitForTickPerCharacter = false;
        p.sendArmsWatchdog = false;
        p.pacingTickStopsWatchdog = true;
        p.pacingOneShot = true;
        p.watchdogStopsPacing = true;
        p.sendStopsOnTransferAborted = true;
        p.receiveEffect = ReceiveEffect::RestartPacing;
        return p;
    }
};

} // namespace kvt
