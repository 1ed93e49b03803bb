#pragma once

#include "support/FakeSerialPort.h"

#include "link/SerialLink.h"

#include <QTest>
#include <QTimer>

#include <optional>

namespace kvt::test {

// A link on a fake port that is open and raises an event per received burst,
// with short timings so waits end quickly.
struct LinkRig {
    explicit LinkRig(const LinkProfile& profile = LinkProfile::kvt7(),
                     std::chrono::milliseconds pacing = std::chrono::milliseconds{2})
        : LinkRig(profile, timings(pacing))
    {
    }
    LinkRig(const LinkProfile& profile, const Timings& timings) : link(port, profile, timings)
    {
        port.open(1);
        port.setReceiveThreshold(1);
    }
    static Timings timings(std::chrono::milliseconds pacing)
    {
        Timings t;
        t.pacing = pacing;
        t.watchdog = std::chrono::seconds{5};
        return t;
    }
    std::optional<SendResult> sendAndWait(const QString& command)
    {
        std::optional<SendResult> result;
        link.sendData(command, [&](SendResult r) { result = r; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 5000))
            return std::nullopt;
        return result;
    }
    bool waitIdle()
    {
        return QTest::qWaitFor([&] { return !link.isSending(); }, 5000);
    }
    bool waitForWritten(const QByteArray& bytes)
    {
        return QTest::qWaitFor([&] { return port.written().endsWith(bytes); }, 5000);
    }
    QTimer* pacingTimer() { return link.findChild<QTimer*>(QStringLiteral("tmrcharsend")); }
    bool watchdogActive()
    {
        return link.findChild<QTimer*>(QStringLiteral("tmrwatchdog"))->isActive();
    }

    FakeSerialPort port;
    SerialLink link;
};

} // namespace kvt::test
