#include "Simulator.h"

#include "ReceiveLog.h"

namespace kvt::sim {

Simulator::Simulator(std::unique_ptr<Controller> controller, QObject* parent)
    : QObject(parent), m_controller(std::move(controller))
{
    m_bannerTimer.setSingleShot(true);
    m_bannerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_bannerTimer, &QTimer::timeout, this, [this] { enqueue(m_controller->greeting()); });
    m_outputTimer.setSingleShot(true);
    m_outputTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_outputTimer, &QTimer::timeout, this, &Simulator::writeDueOutput);
    connect(&m_pty, &PtyEndpoint::received, this, &Simulator::onReceived);
    connect(&m_pty, &PtyEndpoint::clientConnected, this, &Simulator::onClientConnected);
    connect(&m_pty, &PtyEndpoint::clientDisconnected, this, &Simulator::onClientDisconnected);
    // Queued: a pseudo-terminal that takes every piece at once would
    // otherwise be fed from ever deeper inside its own write.
    connect(&m_pty, &PtyEndpoint::outputDrained, this, &Simulator::feedFlood, Qt::QueuedConnection);
}

Simulator::~Simulator() = default;

bool Simulator::start(QString* error)
{
    return m_pty.open(error);
}

void Simulator::onReceived(const QByteArray& bytes, qint64 receivedAtUs)
{
    if (m_log)
        m_log->record(bytes, receivedAtUs);
    Replies replies = m_controller->receive(bytes);
    if (m_floodLeft > 0 && !m_flooding && bytes.contains('\r')) {
        m_flooding = true;
        replies.clear();
        feedFlood();
    }
    enqueue(replies);
    reportChanges();
}

void Simulator::feedFlood()
{
    static const QByteArray line = QByteArrayLiteral("G00,+1234567\r");
    static const QByteArray lines = line.repeated(4096 / line.size() + 2);
    if (!m_flooding || m_floodLeft <= 0 || m_pty.unsentBytes() > 0 || !m_pty.clientPresent())
        return;
    const qint64 size = qMin<qint64>(m_floodLeft, 4096);
    const QByteArray piece = lines.mid(m_floodSent % line.size(), size);
    m_floodLeft -= size;
    m_floodSent += size;
    m_pty.write(piece);
}

QString Simulator::display() const
{
    return hasKeypad() ? m_controller->keypad()->display() : QString();
}

void Simulator::press(const QList<Key>& keys)
{
    Keypad* keypad = m_controller->keypad();
    if (!keypad)
        return;
    for (const Key key : keys) {
        enqueue(keypad->press(key));
        reportChanges();
    }
}

void Simulator::reportChanges()
{
    if (Keypad* keypad = m_controller->keypad()) {
        for (const QString& text : keypad->takeDisplayChanges())
            Q_EMIT displayChanged(text);
    }
    for (const QString& text : m_controller->takeNotices())
        Q_EMIT notice(text);
}

void Simulator::onClientConnected()
{
    if (m_bannerDelay)
        m_bannerTimer.start(*m_bannerDelay);
    Q_EMIT clientConnected();
}

void Simulator::onClientDisconnected()
{
    // Nothing meant for this host may reach the next one.
    m_bannerTimer.stop();
    m_outputTimer.stop();
    m_pending.clear();
    m_pendingBytes = 0;
    m_floodLeft = 0;
    applyBackPressure();
    m_controller->discardPartialInput();
    reportChanges();
    Q_EMIT clientDisconnected();
}

void Simulator::enqueue(const Replies& replies)
{
    const Clock::time_point now = Clock::now();
    for (const Reply& reply : replies) {
        m_pending.push_back({reply.bytes, reply.delay, now});
        m_pendingBytes += reply.bytes.size();
    }
    if (!m_outputTimer.isActive())
        writeDueOutput();
    applyBackPressure();
}

void Simulator::applyBackPressure()
{
    m_pty.holdInput(m_pendingBytes >= PtyEndpoint::outputBacklogLimit);
}

void Simulator::writeDueOutput()
{
    while (!m_pending.empty()) {
        const PendingOutput& next = m_pending.front();
        const Clock::time_point dueAt = std::max(next.producedAt, m_lastWriteAt) + next.delay;
        const Clock::time_point now = Clock::now();
        if (dueAt > now) {
            m_outputTimer.start(std::chrono::ceil<milliseconds>(dueAt - now));
            return;
        }
        m_pty.write(next.bytes);
        m_lastWriteAt = now;
        m_pendingBytes -= next.bytes.size();
        m_pending.pop_front();
        applyBackPressure();
    }
}

} // namespace kvt::sim
