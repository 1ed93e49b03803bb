#pragma once

#include "LinkProfile.h"
#include "Timings.h"

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

#include <functional>

namespace kvt {

class SerialPort;

enum class SendResult {
    Sent,        // every character written and the transmit buffer drained
    Aborted,     // the watchdog declared the link dead (CommAbort)
    Cancelled,   // the operator cancelled the transfer (TransferAborted)
    WriteFailed, // the port refused a write, e.g. because it is closed
    LinkLost,    // the device went away
    Discarded    // never started: the link failed or the window closed first
};

// The engine behind a front end's SendData: pacing, drain wait and reply
// watchdog, plus dispatch of the port's events. It never talks to the operator;
// the window listens to its signals and decides what to show.
//
// Commands queue: each goes out whole and in order, even when a second one is
// started while the first is still being paced out.
class SerialLink : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(SendResult)>;

    SerialLink(SerialPort& port, const LinkProfile& profile, const Timings& timings,
               QObject* parent = nullptr);
    ~SerialLink() override;

    SerialPort& port() { return m_port; }
    const Timings& timings() const { return m_timings; }

    // Sends command + CR, one character per write. done runs once, when the
    // command has gone out or failed; commands queued behind a lost device or
    // a shut-down finish as Discarded.
    void sendData(const QString& command, Done done = {});
    // The same, for a receiver that may be gone when the command has gone
    // out: done then does not run.
    void sendData(const QString& command, const QObject* receiver, Done done);
    // Sends the commands with a pause after each one's send has finished; no
    // other command goes out between them. done runs after the last command.
    struct Step {
        QString command;
        milliseconds pauseAfter{0};
    };
    void sendSequence(const QList<Step>& steps, Done done = {});
    void sendSequence(const QList<Step>& steps, const QObject* receiver, Done done);
    bool isSending() const { return m_state != State::Idle; }
    int pendingCommands() const { return int(m_queue.size()) + (isSending() ? 1 : 0); }

    // For the transfer routines' waits.
    bool charTick() const { return CharTick; }
    bool commAbort() const { return CommAbort; }
    void setCommAbort(bool abort) { CommAbort = abort; }
    // Restart tmrcharsend with the given interval and clear CharTick.
    void startPacingPeriod(milliseconds interval);
    void stopPacing();
    bool pacingActive() const { return tmrcharsend.isActive(); }
    void armWatchdog(milliseconds interval);
    void stopWatchdog();
    bool watchdogActive() const { return tmrwatchdog.isActive(); }

    // Asked by four-model sends between characters; the window answers from
    // TransferAborted.
    void setTransferAbortedProbe(std::function<bool()> probe)
    {
        m_transferAborted = std::move(probe);
    }
    // The operator cancelled: a send in its drain wait stops now.
    void transferCancelled();
    // Window closing: stop everything and never touch the port again.
    void shutDown();

Q_SIGNALS:
    // One read of the port per receive event.
    void received(const QByteArray& data);
    // A line-state event the operator should read about ("Break Received ! " ...).
    void lineError(const QString& statusText);
    void unknownEvent(const QString& errorText);
    void watchdogExpired();
    void writeFailed(const QString& errorText);
    void linkLost(const QString& reason);
    void charTicked();
    void sendFinished(SendResult result);

private:
    enum class State { Idle, Writing, WaitingForTick, Draining, Pausing };
    struct Pending {
        QByteArray bytes;
        Done done;
        milliseconds pauseAfter{0};
    };

    bool commandInFlight() const { return m_state != State::Idle && m_state != State::Pausing; }
    void startNext();
    void writeFromCursor();
    void beginDrain();
    void checkDrained();
    void finish(SendResult result);
    void discardQueue(SendResult result);
    bool transferAborted() const { return m_transferAborted && m_transferAborted(); }
    void onCommEvent(int code);
    void onPacingTick();
    void onWatchdogTimeout();
    void onLinkLost(const QString& reason);

    SerialPort& m_port;
    LinkProfile m_profile;
    Timings m_timings;
    QTimer tmrcharsend;
    QTimer tmrwatchdog;
    QTimer m_pauseTimer;
    bool CharTick = false;
    bool CommAbort = false;
    bool m_periodRequested = false;
    bool m_shutDown = false;
    State m_state = State::Idle;
    Pending m_current;
    qsizetype m_cursor = 0;
    QQueue<Pending> m_queue;
    std::function<bool()> m_transferAborted;
};

} // namespace kvt
