#include "FrameClicks.h"

#include "KeyboardHandover.h"

#include <QEvent>
#include <QWidget>

namespace kvt {

void FrameClicks::watch(QWidget* frame, std::function<void()> onClick)
{
    new FrameClicks(frame, std::move(onClick));
}

FrameClicks::FrameClicks(QWidget* frame, std::function<void()> onClick)
    : QObject(frame), m_onClick(std::move(onClick))
{
    frame->installEventFilter(this);
    for (QWidget* child : frame->findChildren<QWidget*>()) {
        child->installEventFilter(this);
        child->setAttribute(Qt::WA_TransparentForMouseEvents, !child->isEnabled());
    }
}

bool FrameClicks::eventFilter(QObject* watched, QEvent* event)
{
    // The event type is checked before the object is looked at: during a
    // widget's destruction it is no longer what it was.
    if (event->type() == QEvent::EnabledChange) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget != parent())
            widget->setAttribute(Qt::WA_TransparentForMouseEvents, !widget->isEnabled());
    } else if (event->type() == QEvent::MouseButtonPress && watched == parent()) {
        m_onClick();
        KeyboardHandover::giveToFocusIn(static_cast<QWidget*>(watched));
    }
    return false;
}

} // namespace kvt
