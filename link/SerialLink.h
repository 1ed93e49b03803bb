#pragma once

#include "LinkProfile.h"
#include "Timings.h"

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

#include <functional>
#include <utility>

namespace kvt {

class SerialPort;
class TrafficLog;

enum class SendResult {
    Sent,        // every character written and gone from Qt's and the driver's buffers
    Aborted,     // the watchdog declared the link dead while it was going out
    Cancelled,   // the operator cancelled the transfer it belonged to
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

    // Sends command + CR, one character per write, in the line's code page. done runs once, when
    // the command has gone out or failed; commands queued behind a lost device or a shut-down
    // finish as Discarded.
    void sendData(const QString& command, Done done = {});
    // The same, for a receiver that may be gone when the command has gone
    // out: done then does not run.
    void sendData(const QString& command, const QObject* receiver, Done done);
    // The bytes exactly as given, without the CR: a single "C" is how the
    // four-model controllers are told that a block transfer was cancelled.
    void sendRaw(const QByteArray& bytes, const QObject* receiver, Done done);
    // Sends the commands with a pause after each one's send has finished; no
    // other command goes out between them. done runs after the last command.
    struct Step {
        QString command;
        milliseconds pauseAfter{0};
    };
    void sendSequence(const QList<Step>& steps, Done done = {});
    void sendSequence(const QList<Step>& steps, const QObject* receiver, Done done);
    bool isSending() const { return m_state != State::Idle; }
    // Runs then once, when nothing is left to send, or after the watchdog
    // time at the latest: a handshake holding the line back must not hold its
    // owner for good. Dropped with receiver.
    void whenSent(QObject* receiver, std::function<void()> then);

    // The watchdog declares the link dead if nothing is received within the
    // interval; a send arms it on its own where the family does so.
    void armWatchdog(milliseconds interval);

    // The operator cancelled a transfer: the command going out stops after
    // its current character and everything queued behind it is dropped, all
    // finishing as Cancelled.
    void cancel();
    // Window closing: stop everything and never touch the port again.
    void shutDown();

    // Every byte written and read is recorded there; not owned.
    void setTrafficLog(TrafficLog* log) { m_log = log; }
    // Says whether anything the port receives now is used, beyond the line
    // waits, which always count: what nobody uses is read and dropped, and
    // the traffic log notes only how much. Unset, everything is handed on.
    void setInputWanted(std::function<bool()> wanted) { m_inputWanted = std::move(wanted); }
    // Names what the commands queued while it lives are for, in the traffic
    // log: "online", "download" ...
    class Source {
    public:
        Source(SerialLink& link, QString name)
            : m_link(link), m_previous(std::exchange(link.m_source, std::move(name)))
        {
        }
        ~Source() { m_link.m_source = std::move(m_previous); }
        Source(const Source&) = delete;
        Source& operator=(const Source&) = delete;

    private:
        SerialLink& m_link;
        QString m_previous;
    };

Q_SIGNALS:
    // Received data in the pieces the port's input length makes; one receive
    // event may hand on many, in order.
    void received(const QByteArray& data);
    // A line-state event the operator should read about ("Break Received ! " ...).
    void lineError(const QString& statusText);
    void unknownEvent(const QString& errorText);
    void watchdogExpired();
    void writeFailed(const QString& errorText);
    void linkLost(const QString& reason);
    void sendFinished(SendResult result);
    // The last byte of a command was handed to the port: what is received
    // from now on can be the answer to it, not to the command before.
    void commandWritten();

private:
    enum class State { Idle, Writing, WaitingForTick, Draining, Pausing };
    struct Pending {
        QByteArray bytes;
        Done done;
        milliseconds pauseAfter{0};
        QString source;
    };

    void enqueue(Pending pending);
    // Text the line cannot carry is told to the window and finishes as
    // WriteFailed; nothing of it is sent.
    bool refuseUnsendable(const QString& text, const Done& done);
    bool commandInFlight() const { return m_state != State::Idle && m_state != State::Pausing; }
    void startNext();
    void writeFromCursor();
    void beginDrain();
    void checkDrained();
    void finish(SendResult result);
    void dropQueue(SendResult result);
    void onCommEvent(int code);
    void takeInput();
    void onPacingTick();
    void onWatchdogTimeout();
    void onLinkLost(const QString& reason);

    SerialPort& m_port;
    LinkProfile m_profile;
    Timings m_timings;
    QTimer tmrcharsend;
    QTimer tmrwatchdog;
    QTimer m_pauseTimer;
    QTimer m_drainCheck;
    bool m_shutDown = false;
    State m_state = State::Idle;
    Pending m_current;
    qsizetype m_cursor = 0;
    QQueue<Pending> m_queue;
    TrafficLog* m_log = nullptr;
    std::function<bool()> m_inputWanted;
    // Line waits that are running: they restart or end on what arrives.
    int m_runningWaits = 0;
    friend class LineWait;
    bool m_handingOn = false;
    bool m_inputMissed = false;
    QString m_source = QStringLiteral("command");
};

} // namespace kvt
