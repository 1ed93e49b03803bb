#pragma once

#include <QString>

namespace kvt::manual {

// What the manual panel's scroll bars and option pairs stand at.
struct Settings {
    int absoluteMove = 0;
    int relativeMove = 0;
    int absoluteJog = 0;
    int relativeJog = 0;
    int highInput = 0;
    bool highForward = true;
    int lowInput = 0;
    bool lowForward = true;
    int output = 0;
    bool outputOn = true;
    int triggerProgram = 0;
    int deleteProgram = 0;
};

inline constexpr int buttonCount = 12;
inline constexpr int deleteButton = 8;

// The command line button sends with the controls at settings; its caption
// shows the same, so the operator reads the command before sending it.
QString buttonCommand(int button, const Settings& settings);
// Asked before the delete button sends anything.
QString deleteQuestion(int program);

} // namespace kvt::manual
