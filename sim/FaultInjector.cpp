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
    Replies replies = m_controller->receive(bytes);
    if (m_faults.silent)
        return {};
    if (m_faults.silentAfter >= 0) {
        const int answerable = std::max(0, m_faults.silentAfter - m_commandsAnswered);
        if (replies.size() > answerable)
            replies.resize(answerable);
    }
    m_commandsAnswered += int(replies.size());
    return spoil(replies, m_faults.replyDelay);
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
        reply.delay += firstDelay;
        if (m_faults.charDelay.count() <= 0) {
            spoilt.append(reply);
            continue;
        }
        for (qsizetype i = 0; i < reply.bytes.size(); ++i)
            spoilt.append({reply.bytes.mid(i, 1), i == 0 ? reply.delay : m_faults.charDelay});
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
