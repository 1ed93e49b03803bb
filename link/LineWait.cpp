#include "LineWait.h"

#include "SerialLink.h"

namespace kvt {

LineWait::LineWait(SerialLink& link, Kind kind, QObject* parent)
    : QObject(parent), m_link(&link), m_kind(kind)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        setCounted(false);
        Q_EMIT ended(false);
    });
    connect(&link, &SerialLink::received, this, &LineWait::onReceived);
}

LineWait::~LineWait()
{
    setCounted(false);
}

void LineWait::start(milliseconds period)
{
    m_timer.start(period);
    setCounted(true);
}

void LineWait::stop()
{
    m_timer.stop();
    setCounted(false);
}

void LineWait::setCounted(bool running)
{
    if (running == m_counted || !m_link)
        return;
    m_counted = running;
    m_link->m_runningWaits += running ? 1 : -1;
}

void LineWait::onReceived()
{
    if (!m_timer.isActive())
        return;
    switch (m_kind) {
    case Kind::Quiet:
        m_timer.start();
        return;
    case Kind::NoData:
        stop();
        Q_EMIT ended(true);
        return;
    case Kind::Fixed:
        return;
    }
}

} // namespace kvt
