#pragma once

#include <QString>

namespace kvt {

// What a front end does with one event code of its port.
enum class CommEventKind {
    Ignored,   // send, DSR, CD, ring, end-of-file
    Received,  // data waits to be read
    CtsChange, // stops the reply watchdog, like a reply
    LineError, // reported among the replies (statusText)
    Unknown    // the operator decides whether to keep the port
};

struct CommEventAction {
    CommEventKind kind;
    QString statusText; // LineError: the text for the reply display
};

CommEventAction classifyCommEvent(int code);

inline const QString unknownEventText = QStringLiteral("UNKNOWN ERROR OR EVENT ENCOUNTERED !");

} // namespace kvt
