#include "SerialLink.h"

#include "CommEvents.h"
#include "SerialPort.h"
#include "TrafficLog.h"
#include "base/ReplyText.h"

#include <QPointer>

#include <memory>

namespace kvt {

namespace {
SerialLink::Done guarded(const QObject* receiver, SerialLink::Done done)
{
    return [receiver = QPointer<const QObject>(receiver), done = std::move(done)](SendResult r) {
        if (receiver && done)
            done(r);
    };
}
} // namespace

SerialLink::SerialLink(SerialPort& port, const LinkProfile& profile, const Timings& timings,
                       QObject* parent)
    : QObject(parent), m_port(port), m_profile(profile), m_timings(timings)
{
    // Children by name, so an outside script or test finds them as it finds widgets.
    tmrcharsend.setParent(this);
    tmrwatchdog.setParent(this);
    tmrcharsend.setObjectName(QStringLiteral("tmrcharsend"));
    tmrwatchdog.setObjectName(QStringLiteral("tmrwatchdog"));
    // Pacing sets the line's speed; a coarse timer would stretch every command.
    // It is restarted by every character, so one shot per character is enough,
    // and between commands the process may sleep.
    tmrcharsend.setTimerType(Qt::PreciseTimer);
    tmrcharsend.setSingleShot(true);
    // A repeating watchdog would raise a second failure while the first box is open.
    tmrwatchdog.setSingleShot(true);
    tmrwatchdog.setInterval(m_timings.watchdog);

    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pauseTimer, &QTimer::timeout, this, [this] {
        m_state = State::Idle;
        startNext();
    });
    // The system's driver tells nobody when its queue has gone out, so a
    // drain wait that finds bytes there looks again a pacing period later.
    m_drainCheck.setSingleShot(true);
    m_drainCheck.setInterval(m_timings.pacing);
    connect(&m_drainCheck, &QTimer::timeout, this, &SerialLink::checkDrained);
    connect(&tmrcharsend, &QTimer::timeout, this, &SerialLink::onPacingTick);
    connect(&tmrwatchdog, &QTimer::timeout, this, &SerialLink::onWatchdogTimeout);
    connect(&m_port, &SerialPort::commEvent, this, &SerialLink::onCommEvent);
    connect(&m_port, &SerialPort::bytesWritten, this, &SerialLink::checkDrained);
    connect(&m_port, &SerialPort::linkLost, this, &SerialLink::onLinkLost);
}

SerialLink::~SerialLink()
{
    // The owner is going away: its callbacks must not run any more.
    m_shutDown = true;
    m_queue.clear();
    m_current = {};
}

void SerialLink::enqueue(Pending pending)
{
    if (m_shutDown) {
        if (pending.done)
            pending.done(SendResult::Discarded);
        return;
    }
    pending.source = m_source;
    m_queue.enqueue(std::move(pending));
    if (m_state == State::Idle)
        startNext();
}

void SerialLink::sendData(const QString& command, Done done)
{
    if (refuseUnsendable(command, done))
        return;
    enqueue({*toWire(command) + '\r', std::move(done)});
}

bool SerialLink::refuseUnsendable(const QString& text, const Done& done)
{
    if (toWire(text))
        return false;
    if (done)
        done(SendResult::WriteFailed);
    Q_EMIT writeFailed(unsendableText(text));
    return true;
}

void SerialLink::sendData(const QString& command, const QObject* receiver, Done done)
{
    sendData(command, guarded(receiver, std::move(done)));
}

void SerialLink::sendRaw(const QByteArray& bytes, const QObject* receiver, Done done)
{
    enqueue({bytes, guarded(receiver, std::move(done))});
}

void SerialLink::sendSequence(const QList<Step>& steps, const QObject* receiver, Done done)
{
    sendSequence(steps, guarded(receiver, std::move(done)));
}

void SerialLink::sendSequence(const QList<Step>& steps, Done done)
{
    if (steps.isEmpty() || m_shutDown) {
        if (done)
            done(SendResult::Discarded);
        return;
    }
    // All or nothing: half a sequence would leave the controller half set up.
    for (const Step& step : steps)
        if (refuseUnsendable(step.command, done))
            return;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const bool last = i == steps.size() - 1;
        m_queue.enqueue({*toWire(steps[i].command) + '\r', last ? std::move(done) : Done{},
                         steps[i].pauseAfter, m_source});
    }
    if (m_state == State::Idle)
        startNext();
}

void SerialLink::startNext()
{
    if (m_queue.isEmpty() || m_shutDown)
        return;
    m_current = m_queue.dequeue();
    m_cursor = 0;
    m_state = State::Writing;
    if (m_profile.sendArmsWatchdog)
        tmrwatchdog.start(m_timings.watchdog);
    if (m_current.bytes.isEmpty())
        beginDrain();
    else
        writeFromCursor();
}

void SerialLink::writeFromCursor()
{
    for (;;) {
        const bool written = m_port.write(m_current.bytes.mid(m_cursor, 1));
        if (m_state != State::Writing)
            return; // the write reported a lost link, which ended this send
        if (!written) {
            const QString error = m_port.errorString();
            finish(SendResult::WriteFailed);
            Q_EMIT writeFailed(error);
            return;
        }
        if (m_log)
            m_log->recordSent(m_current.source, m_current.bytes.mid(m_cursor, 1));
        ++m_cursor;
        // Restarted after every character, so no two characters are ever
        // closer than one pacing period, whatever the timer's phase was; the
        // CR waits its period too, so the next command keeps its distance.
        tmrcharsend.start(m_timings.pacing);
        if (m_cursor == m_current.bytes.size()) {
            Q_EMIT commandWritten();
            if (m_state != State::Writing)
                return; // a listener ended this send
        }
        if (m_profile.waitForTickPerCharacter) {
            m_state = State::WaitingForTick;
            return;
        }
        if (m_cursor >= m_current.bytes.size())
            break;
    }
    beginDrain();
}

void SerialLink::beginDrain()
{
    m_state = State::Draining;
    checkDrained();
}

void SerialLink::checkDrained()
{
    if (m_state != State::Draining)
        return;
    if (m_port.bytesToWrite() == 0)
        finish(SendResult::Sent);
    else
        m_drainCheck.start();
}

void SerialLink::finish(SendResult result)
{
    m_drainCheck.stop();
    if (m_log)
        m_log->endCommand();
    const Done done = std::move(m_current.done);
    const milliseconds pause = m_current.pauseAfter;
    m_current = {};
    m_cursor = 0;

    // Behind a lost device or a closing window nothing can go out any more.
    // A dead-link verdict or a refused write ends only this command: the next
    // one tries again, as the operator expects.
    QList<Pending> discarded;
    if (result == SendResult::LinkLost || result == SendResult::Discarded)
        discarded = std::exchange(m_queue, {});
    // Decided before the callbacks run, so a command they send waits its turn
    // behind the pause instead of cutting it short.
    if (pause > milliseconds{0} && !m_queue.isEmpty()) {
        m_state = State::Pausing;
        m_pauseTimer.start(pause);
    } else {
        m_state = State::Idle;
    }

    if (done)
        done(result);
    Q_EMIT sendFinished(result);
    for (const Pending& p : std::as_const(discarded))
        if (p.done)
            p.done(SendResult::Discarded);

    if (m_state == State::Idle)
        startNext();
}

void SerialLink::dropQueue(SendResult result)
{
    m_pauseTimer.stop();
    if (m_state == State::Pausing)
        m_state = State::Idle;
    const QList<Pending> dropped = std::exchange(m_queue, {});
    if (commandInFlight())
        finish(result);
    for (const Pending& p : dropped)
        if (p.done)
            p.done(result == SendResult::Cancelled ? result : SendResult::Discarded);
}

void SerialLink::whenSent(QObject* receiver, std::function<void()> then)
{
    auto* waiting = new QObject(receiver);
    const auto once = [waiting, then = std::move(then), fired = std::make_shared<bool>(false)] {
        if (std::exchange(*fired, true))
            return;
        waiting->deleteLater();
        then();
    };
    const auto onceIdle = [this, once] {
        if (!isSending())
            once();
    };
    // Queued, and looked at first once the loop turns: what a cancel still
    // sends has been taken up by then.
    connect(this, &SerialLink::sendFinished, waiting, onceIdle, Qt::QueuedConnection);
    QTimer::singleShot(0, waiting, onceIdle);
    QTimer::singleShot(m_timings.watchdog, waiting, once);
}

void SerialLink::armWatchdog(milliseconds interval)
{
    tmrwatchdog.start(interval);
}

void SerialLink::cancel()
{
    dropQueue(SendResult::Cancelled);
}

void SerialLink::shutDown()
{
    tmrcharsend.stop();
    tmrwatchdog.stop();
    dropQueue(SendResult::Discarded);
    m_shutDown = true;
}

void SerialLink::onCommEvent(int code)
{
    if (m_shutDown)
        return;
    const CommEventAction action = classifyCommEvent(code);
    switch (action.kind) {
    case CommEventKind::Ignored:
        return;
    case CommEventKind::Received:
        tmrwatchdog.stop();
        takeInput();
        return;
    case CommEventKind::CtsChange:
        tmrwatchdog.stop();
        return;
    case CommEventKind::LineError:
        Q_EMIT lineError(action.statusText);
        return;
    case CommEventKind::Unknown:
        Q_EMIT unknownEvent(unknownEventText);
        return;
    }
}

void SerialLink::takeInput()
{
    // A listener that opens a dialog lets the next event in while pieces of
    // this one are still to be handed on; reading then would put later bytes
    // before earlier ones.
    if (m_handingOn) {
        m_inputMissed = true;
        return;
    }
    const QList<QByteArray> pieces = m_port.readPieces();
    if (m_runningWaits == 0 && m_inputWanted && !m_inputWanted()) {
        qint64 bytes = 0;
        for (const QByteArray& piece : pieces)
            bytes += piece.size();
        if (m_log && bytes > 0)
            m_log->recordDropped(bytes);
        return;
    }
    const QPointer<SerialLink> alive(this);
    m_handingOn = true;
    for (const QByteArray& piece : pieces) {
        if (m_log)
            m_log->recordReceived(piece);
        Q_EMIT received(piece);
        if (!alive)
            return;
        if (m_shutDown)
            break;
    }
    m_handingOn = false;
    if (std::exchange(m_inputMissed, false) && !m_shutDown)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_shutDown && m_port.isOpen())
                    takeInput();
            },
            Qt::QueuedConnection);
}

void SerialLink::onPacingTick()
{
    if (m_profile.pacingTickStopsWatchdog)
        tmrwatchdog.stop();
    if (m_state != State::WaitingForTick)
        return;
    if (m_cursor < m_current.bytes.size()) {
        m_state = State::Writing;
        writeFromCursor();
    } else {
        beginDrain();
    }
}

void SerialLink::onWatchdogTimeout()
{
    // A process stopped (Ctrl+Z) and resumed sees its timers due before the
    // port's events: a reply already waiting is an answer, not silence. Data
    // stops the watchdog; one running after it was armed anew by its reader.
    if (m_port.bytesAvailable() > 0 && !m_shutDown) {
        onCommEvent(CommEvent::Receive);
        return;
    }
    // The command going out stops after its current character; nothing is
    // remembered, so the next command goes out whole.
    if (commandInFlight())
        finish(SendResult::Aborted);
    Q_EMIT watchdogExpired();
}

void SerialLink::onLinkLost(const QString& reason)
{
    if (m_shutDown)
        return;
    tmrcharsend.stop();
    tmrwatchdog.stop();
    dropQueue(SendResult::LinkLost);
    Q_EMIT linkLost(reason);
}

} // namespace kvt
