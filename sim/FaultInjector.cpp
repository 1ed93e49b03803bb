#include "FaultInjector.h"

namespace kvt::sim {

namespace {

constexpr char xon = 0x11;
constexpr char xoff = 0x13;

} // namespace

FaultInjector::FaultInjector(std::unique_ptr<Controller> controller, const Faults& faults)
    : m_controller(std::move(controller)), m_faults(faults), m_random(faults.seed)
{
}

bool FaultInjector::isGarbageByte(char byte)
{
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x80 || value == 0x7f)
        return true;
    return value < 0x20 && byte != '\r' && byte != '\n' && byte != xon && byte != xoff;
}

Replies FaultInjector::receive(const QByteArray& bytes)
{
    return answered(m_controller->receive(bytes));
}

Keypad* FaultInjector::keypad()
{
    return m_controller->keypad() ? this : nullptr;
}

Replies FaultInjector::press(Key key)
{
    return answered(m_controller->keypad()->press(key));
}

QString FaultInjector::display() const
{
    return m_controller->keypad()->display();
}

QStringList FaultInjector::takeDisplayChanges()
{
    return m_controller->keypad()->takeDisplayChanges();
}

Replies FaultInjector::answered(const Replies& replies)
{
    if (m_faults.silent)
        return {};
    Replies kept;
    for (const Reply& reply : replies) {
        // Counted per command, so a listing in many pieces still counts once.
        if (m_faults.silentAfter >= 0 && !reply.continuesAnswer) {
            if (m_commandsAnswered >= m_faults.silentAfter)
                break;
            ++m_commandsAnswered;
        }
        kept.append(reply);
    }
    return spoil(kept, m_faults.replyDelay);
}

Replies FaultInjector::greeting()
{
    if (m_faults.silent)
        return {};
    return spoil(m_controller->greeting(), milliseconds{0});
}

void FaultInjector::discardPartialInput()
{
    m_controller->discardPartialInput();
}

Replies FaultInjector::spoil(Replies replies, milliseconds firstDelay)
{
    Replies spoilt;
    for (Reply& reply : replies) {
        if (m_faults.garbage)
            reply.bytes = withGarbage(reply.bytes);
        if (!reply.continuesAnswer)
            reply.delay += firstDelay;
        if (m_faults.charDelay.count() <= 0) {
            spoilt.append(reply);
            continue;
        }
        for (qsizetype i = 0; i < reply.bytes.size(); ++i) {
            if (i == 0)
                spoilt.append({reply.bytes.left(1), reply.delay, reply.continuesAnswer});
            else
                spoilt.append({reply.bytes.mid(i, 1), m_faults.charDelay, true});
        }
    }
    return spoilt;
}

QByteArray FaultInjector::withGarbage(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return bytes;
    QByteArray spoilt = bytes;
    const int count = int(m_random.bounded(1, 4));
    for (int i = 0; i < count; ++i) {
        char garbage;
        do {
            garbage = char(m_random.bounded(256));
        } while (!isGarbageByte(garbage));
        // Never behind the last byte: the reply still ends with its prompt.
        spoilt.insert(m_random.bounded(int(spoilt.size())), garbage);
    }
    return spoilt;
}

} // namespace kvt::sim
