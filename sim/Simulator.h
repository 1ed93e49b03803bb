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

    std::unique_ptr<Controller> m_controller;
    PtyEndpoint m_pty;
    ReceiveLog* m_log = nullptr;
    std::optional<milliseconds> m_bannerDelay = defaultBannerDelay;
    QTimer m_bannerTimer;
    QTimer m_outputTimer;
    std::deque<PendingOutput> m_pending;
    qsizetype m_pendingBytes = 0;
    Clock::time_point m_lastWriteAt;
};

} // namespace kvt::sim
