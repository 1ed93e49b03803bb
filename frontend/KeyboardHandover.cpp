#include "KeyboardHandover.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace kvt {

namespace {
QPointer<KeyboardHandover> running;
constexpr int handoverLimit = 2000; // ms

QWindow* windowOf(QObject* object)
{
    if (object->isWindowType())
        return static_cast<QWindow*>(object);
    if (object->isWidgetType())
        return static_cast<QWidget*>(object)->window()->windowHandle();
    return nullptr;
}
} // namespace

void KeyboardHandover::giveTo(QWidget* box)
{
    delete running;
    box->setFocus(Qt::OtherFocusReason);
    QWidget* window = box->window();
    if (window->isActiveWindow())
        return;
    running = new KeyboardHandover(box);
    window->activateWindow();
}

void KeyboardHandover::giveToFocusIn(QWidget* frame)
{
    QWidget* focus = frame->window()->focusWidget();
    if (focus && focus->isEnabled() && frame->isAncestorOf(focus))
        giveTo(focus);
}

KeyboardHandover::KeyboardHandover(QWidget* box) : QObject(box), m_box(box)
{
    qApp->installEventFilter(this);
    // It bridges the window manager's moment, no more: a window manager that
    // never hands its window the keyboard must not leave the program's other
    // windows deaf.
    QTimer::singleShot(handoverLimit, this, &QObject::deleteLater);
}

bool KeyboardHandover::isElsewhere(QObject* watched) const
{
    QWindow* window = windowOf(watched);
    return window && window != m_box->window()->windowHandle();
}

bool KeyboardHandover::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        // The box's window has the keyboard now, or the operator turned to another.
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
            deleteLater();
        return false;
    case QEvent::MouseButtonPress:
        if (isElsewhere(watched))
            deleteLater();
        return false;
    case QEvent::Show:
        // A window that opens meanwhile (a box, a read-back's differences) is
        // where the operator's keys go next.
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow() &&
            isElsewhere(watched))
            deleteLater();
        return false;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Each key reaches the window first, then its focus widget: taking it
        // at the first of them hands it on once.
        if (!isElsewhere(watched) || !m_box->isEnabled())
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
            deleteLater();
            return false;
        }
        if (event->type() == QEvent::ShortcutOverride) {
            // Claimed, so that no shortcut of the other window takes it.
            event->accept();
            return true;
        }
        QKeyEvent handed(key->type(), key->key(), key->modifiers(), key->text(),
                         key->isAutoRepeat(), key->count());
        QCoreApplication::sendEvent(m_box, &handed);
        return true;
    }
    default:
        return false;
    }
}

} // namespace kvt
