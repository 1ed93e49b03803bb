#pragma once

#include "Controller.h"
#include "Keypad.h"
#include "PtyEndpoint.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>

namespace kvt::sim {

class ReceiveLog;

// Plays one controller on a pseudo-terminal: hands it what the host sends,
// writes its replies back at the times it asks for, and greets every host
// that opens the line.
class Simulator : public QObject {
    Q_OBJECT
public:
    // Long enough for a host to have opened and flushed the port, well within
    // the reply watchdog it arms on opening.
    static constexpr milliseconds defaultBannerDelay{300};

    explicit Simulator(std::unique_ptr<Controller> controller, QObject* parent = nullptr);
    ~Simulator() override;

    // No delay: no banner at all.
    void setBannerDelay(std::optional<milliseconds> delay) { m_bannerDelay = delay; }
    // The first command is answered with this many bytes of block lines that
    // never end in END, written as fast as the host takes them.
    void setFlood(qint64 bytes) { m_floodLeft = bytes; }
    // Not owned; must outlive the simulator.
    void setReceiveLog(ReceiveLog* log) { m_log = log; }

    bool start(QString* error);
    QString deviceName() const { return m_pty.slaveName(); }

    bool hasKeypad() const { return m_controller->keypad() != nullptr; }
    // Empty for a controller without a keypad.
    QString display() const;
    // What the keys make the controller send goes out like any reply; a
    // controller without a keypad ignores them.
    void press(const QList<Key>& keys);

Q_SIGNALS:
    void clientConnected();
    void clientDisconnected();
    // Once for every text the keypad's display shows, in order.
    void displayChanged(const QString& text);
    // Once for every notice the controller gives, in order.
    void notice(const QString& text);

private:
    using Clock = std::chrono::steady_clock;
    struct PendingOutput {
        QByteArray bytes;
        milliseconds delay;
        Clock::time_point producedAt;
    };

    void onReceived(const QByteArray& bytes, qint64 receivedAtUs);
    void onClientConnected();
    void onClientDisconnected();
    void enqueue(const Replies& replies);
    void reportChanges();
    void writeDueOutput();
    // Delayed replies are bounded like the pty's own backlog: beyond it the
    // host's input waits unread.
    void applyBackPressure();
    void feedFlood();

    std::unique_ptr<Controller> m_controller;
    PtyEndpoint m_pty;
    ReceiveLog* m_log = nullptr;
    std::optional<milliseconds> m_bannerDelay = defaultBannerDelay;
    QTimer m_bannerTimer;
    QTimer m_outputTimer;
    std::deque<PendingOutput> m_pending;
    qsizetype m_pendingBytes = 0;
    Clock::time_point m_lastWriteAt;
    qint64 m_floodLeft = 0;
    qint64 m_floodSent = 0;
    bool m_flooding = false;
};

} // namespace kvt::sim
