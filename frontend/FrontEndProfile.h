#pragma once

#include "family/PortSetup.h"
#include "program/EditorProfile.h"

#include <QString>

namespace kvt {

// The question a window asks for its port, and the notice when the answer is No.
struct PortQuestion {
    QString com1Question;
    QString com2Notice;
    QString title;
};

// What sets one family's window skeleton apart from the others'.
struct FrontEndProfile {
    const char* windowName = nullptr; // frmkvt_7 ...
    QString caption;
    const char* portName = nullptr; // Comm7 ...
    // Title of the window's own boxes (failures, transfers).
    QString boxTitle;
    LinkProfile link;
    EditorProfile editor;
    // Received text in lblresponse: the newest pieces kept; 0 shows none.
    int replyPieces = 19;
    // A line-state event ("Break Received ! "): after the replies, in their
    // place, or in a box of its own.
    enum class LineErrorShown { Appended, Replacing, InBox };
    LineErrorShown lineErrorShown = LineErrorShown::Appended;
    // An unknown event is shown once before the OK/Cancel question: in
    // lblresponse, in a plain box, or not at all.
    enum class UnknownEventFirst { Nowhere, InDisplay, InBox };
    UnknownEventFirst unknownEventFirst = UnknownEventFirst::Nowhere;
};

} // namespace kvt
