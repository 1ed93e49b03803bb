#include "TerminationSignals.h"

#include <QSocketNotifier>
#include <QString>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kvt {

namespace {

constexpr std::array handledSignals{SIGINT, SIGTERM, SIGHUP};

// Written from the signal handler, which may do little more than write().
volatile sig_atomic_t signalPipeWriteEnd = -1;

void forwardSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(signalPipeWriteEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals()
{
    if (m_pipe[1] < 0)
        return;
    for (const int signalNumber : handledSignals)
        std::signal(signalNumber, SIG_DFL);
    signalPipeWriteEnd = -1;
    m_notifier.reset();
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

bool TerminationSignals::install(QString* error)
{
    if (::pipe2(m_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        *error = QStringLiteral("cannot create the signal pipe: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    signalPipeWriteEnd = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : handledSignals)
        ::sigaction(signalNumber, &action, nullptr);
    return true;
}

void TerminationSignals::readPipe()
{
    char signalNumbers[16];
    const ssize_t count = ::read(m_pipe[0], signalNumbers, sizeof signalNumbers);
    for (ssize_t i = 0; i < count; ++i)
        Q_EMIT received(signalNumbers[i]);
}

} // namespace kvt
