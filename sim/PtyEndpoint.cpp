#include "PtyEndpoint.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace kvt::sim {

namespace {

QString systemError(const QString& what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

qint64 monotonicMicroseconds()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Until a host sets its own line settings, nothing may echo or translate
// bytes, or the host would read its own commands back as replies.
bool makeSlaveRaw(const QByteArray& slaveName, QString* error)
{
    const int slave = ::open(slaveName.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        *error =
            systemError(QStringLiteral("cannot open %1").arg(QString::fromLocal8Bit(slaveName)));
        return false;
    }
    termios settings{};
    bool ok = ::tcgetattr(slave, &settings) == 0;
    if (ok) {
        ::cfmakeraw(&settings);
        settings.c_cflag |= CLOCAL | CREAD;
        ::cfsetspeed(&settings, B9600);
        ok = ::tcsetattr(slave, TCSANOW, &settings) == 0;
    }
    if (!ok)
        *error = systemError(QStringLiteral("cannot set the pseudo-terminal to raw mode"));
    // Closing it also makes the master report hang-up until a host opens it.
    ::close(slave);
    return ok;
}

} // namespace

PtyEndpoint::PtyEndpoint(QObject* parent) : QObject(parent)
{
    m_lineCheck.setInterval(lineCheckInterval);
    connect(&m_lineCheck, &QTimer::timeout, this, &PtyEndpoint::checkLine);
}

PtyEndpoint::~PtyEndpoint()
{
    m_readNotifier.reset();
    m_writeNotifier.reset();
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyEndpoint::open(QString* error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        *error = systemError(QStringLiteral("cannot open a pseudo-terminal"));
        return false;
    }
    char name[128];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0) {
        *error = systemError(QStringLiteral("cannot prepare the pseudo-terminal"));
        return false;
    }
    if (!makeSlaveRaw(name, error))
        return false;
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = systemError(QStringLiteral("cannot make the pseudo-terminal non-blocking"));
        return false;
    }
    m_slaveName = QString::fromLocal8Bit(name);

    m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &PtyEndpoint::readMaster);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &PtyEndpoint::flushOutput);
    updateNotifiers();
    return true;
}

void PtyEndpoint::write(const QByteArray& bytes)
{
    if (!m_clientPresent)
        return;
    m_output += bytes;
    flushOutput();
}

void PtyEndpoint::checkLine()
{
    pollfd master{m_master, POLLIN, 0};
    if (::poll(&master, 1, 0) < 0)
        return;
    const bool hungUp = master.revents & POLLHUP;
    if (m_clientPresent && hungUp) {
        loseClient();
    } else if (!m_clientPresent && !hungUp) {
        m_clientPresent = true;
        updateNotifiers();
        Q_EMIT clientConnected();
    } else if (!m_clientPresent && (master.revents & POLLIN)) {
        // A host opened, wrote and closed between two checks; its commands
        // must not be answered to the next host.
        ::tcflush(m_master, TCIFLUSH);
    }
}

void PtyEndpoint::readMaster()
{
    char buffer[4096];
    const qint64 receivedAt = monotonicMicroseconds();
    const ssize_t count = ::read(m_master, buffer, sizeof buffer);
    if (count > 0) {
        Q_EMIT received(QByteArray(buffer, count), receivedAt);
        return;
    }
    if (count < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    // EIO: the last host closed the slave.
    loseClient();
}

void PtyEndpoint::flushOutput()
{
    const bool hadOutput = !m_output.isEmpty();
    while (!m_output.isEmpty()) {
        const ssize_t written = ::write(m_master, m_output.constData(), size_t(m_output.size()));
        if (written > 0) {
            m_output.remove(0, written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && errno == EAGAIN) {
            break;
        } else {
            // The host is gone; the read side will notice and report it.
            m_output.clear();
        }
    }
    updateNotifiers();
    if (hadOutput && m_output.isEmpty())
        Q_EMIT outputDrained();
}

void PtyEndpoint::loseClient()
{
    m_clientPresent = false;
    m_output.clear();
    ::tcflush(m_master, TCIFLUSH);
    discardUnreadOutput();
    updateNotifiers();
    Q_EMIT clientDisconnected();
}

// The pty keeps the replies a host left unread for whoever opens it next.
// Flushing from the master only reaches bytes still in transit; the slave's
// own input queue can only be emptied through the slave.
void PtyEndpoint::discardUnreadOutput()
{
    const int slave =
        ::open(QFile::encodeName(m_slaveName).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        return;
    ::tcflush(slave, TCIFLUSH);
    ::close(slave);
}

void PtyEndpoint::holdInput(bool hold)
{
    if (hold == m_inputHeld)
        return;
    m_inputHeld = hold;
    updateNotifiers();
}

void PtyEndpoint::updateNotifiers()
{
    const bool readingPaused = m_inputHeld || m_output.size() >= outputBacklogLimit;
    m_readNotifier->setEnabled(m_clientPresent && !readingPaused);
    m_writeNotifier->setEnabled(m_clientPresent && !m_output.isEmpty());
    const bool checkLine = !m_clientPresent || readingPaused;
    if (checkLine && !m_lineCheck.isActive())
        m_lineCheck.start();
    else if (!checkLine)
        m_lineCheck.stop();
}

} // namespace kvt::sim
