#pragma once

namespace kvt {

// How a program transfer ended, whichever family ran it.
enum class TransferOutcome {
    Complete,
    NoReply,    // the controller stopped answering (watchdog)
    TimedOut,   // a time limit of the transfer itself ran out
    Overflow,   // the controller sent far more than any program can hold
    SendFailed, // the port refused a command
    LinkLost,   // the device went away
    Cancelled,  // the operator cancelled it
    Abandoned   // the window closed while it ran
};

} // namespace kvt
