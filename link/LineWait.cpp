#include "LineWait.h"

#include "SerialLink.h"

namespace kvt {

LineWait::LineWait(SerialLink& link, Kind kind, QObject* parent) : QObject(parent), m_kind(kind)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { Q_EMIT ended(false); });
    connect(&link, &SerialLink::received, this, &LineWait::onReceived);
}

void LineWait::start(milliseconds period)
{
    m_timer.start(period);
}

void LineWait::stop()
{
    m_timer.stop();
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
        m_timer.stop();
        Q_EMIT ended(true);
        return;
    case Kind::Fixed:
        return;
    }
}

} // namespace kvt
