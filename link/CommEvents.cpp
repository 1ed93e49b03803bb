#include "CommEvents.h"

#include "SerialPort.h"

namespace kvt {

CommEventAction classifyCommEvent(int code)
{
    switch (code) {
    case CommEvent::Send:
    case CommEvent::DsrChange:
    case CommEvent::CdChange:
    case CommEvent::Ring:
    case CommEvent::EndOfFile:
        return {CommEventKind::Ignored, {}};
    case CommEvent::Receive:
        return {CommEventKind::Received, {}};
    case CommEvent::CtsChange:
        return {CommEventKind::CtsChange, {}};
    case CommEvent::Break:
        return {CommEventKind::LineError, QStringLiteral("Break Received ! ")};
    case CommEvent::CtsTimeout:
        return {CommEventKind::LineError, QStringLiteral("CTS timeout")};
    case CommEvent::DsrTimeout:
        return {CommEventKind::LineError, QStringLiteral("DSR timeout")};
    case CommEvent::ReceiveOverflow:
        return {CommEventKind::LineError, QStringLiteral("Receive Buffer Overflow")};
    case CommEvent::TransmitFull:
        return {CommEventKind::LineError, QStringLiteral("Transmit Buffer Full")};
    default:
        return {CommEventKind::Unknown, {}};
    }
}

} // namespace kvt
