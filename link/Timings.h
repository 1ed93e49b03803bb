#pragma once

#include <chrono>

namespace kvt {

using std::chrono::milliseconds;

// Every time value of the program lives here with the controllers' values as
// defaults, so tests can shrink them instead of waiting in real time.
struct Timings {
    milliseconds pacing{10};           // one character per tick of tmrcharsend
    milliseconds watchdog{10000};      // tmrwatchdog: no reply within this means the link is dead
    milliseconds blockWatchdog{50000}; // four-model transfers arm the watchdog with this
    milliseconds quietPeriod{20};      // four-model pause after each downloaded line
    milliseconds blockUploadLimit{25000};   // four-model upload: the longest silence
    milliseconds keypadPause{20};           // KVT31/KVT33 pause after each downloaded line
    milliseconds keypadUploadLimit{50000};  // KVT31/KVT33 upload: the longest silence
    milliseconds programUploadLimit{10000}; // KVT7 upload of a program
    milliseconds speedLinePause{300};       // KVT7 speed dialog: after each of the first lines
    milliseconds jogValuePause{100};        // KVT7 jog dialog: between JOG and its value
    milliseconds deviceWatch{1000};         // how often a device that went away is looked for
    // KVT7 download: a line counts as answered once its reply has started and
    // the line has then been quiet this long. Ten pacing ticks: far longer than
    // the gaps inside one reply at 9600 baud, short enough that a program of a
    // few hundred lines does not drag.
    milliseconds downloadReplyQuiet{100};
    milliseconds replyQuiet{300};    // kvtcomm send: a reply has ended once the line is this quiet
    milliseconds greetingQuiet{500}; // kvtcomm: a KVT7's first command waits for this much quiet
    // Block upload: once "END" is in, how long the rest of its line may stay
    // away. Well above a character at 1200 baud (8 ms), a USB adapter's
    // latency timer (16 ms) and the gaps between the pieces a controller
    // sends in, yet too short for the operator to notice.
    milliseconds endLineQuiet{200};
};

} // namespace kvt
