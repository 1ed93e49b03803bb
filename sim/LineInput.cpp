#include "LineInput.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace kvt::sim {

LineInput::LineInput(int fd, QObject* parent) : QObject(parent), m_fd(fd)
{
    if (::fcntl(fd, F_GETFL) < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &LineInput::readInput);
}

LineInput::~LineInput() = default;

void LineInput::readInput()
{
    // One read a wake-up: the descriptor is shared with whoever started
    // kvtsim, so it is not made non-blocking, and one read cannot block here.
    char buffer[1024];
    const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (count > 0) {
        m_pending.append(buffer, count);
        takeLines();
        return;
    }
    m_notifier->setEnabled(false);
    if (!m_pending.isEmpty() && !m_skippingLine)
        Q_EMIT lineRead(m_pending);
    m_pending.clear();
}

void LineInput::takeLines()
{
    for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        if (std::exchange(m_skippingLine, false))
            continue;
        Q_EMIT lineRead(line);
    }
    if (m_pending.size() > maxLineLength) {
        m_pending.clear();
        if (!std::exchange(m_skippingLine, true))
            Q_EMIT lineTooLong();
    }
}

} // namespace kvt::sim
