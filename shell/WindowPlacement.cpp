#include "WindowPlacement.h"

#include <QScreen>
#include <QWidget>

namespace kvt {

namespace {

int keptWithin(int start, int length, int low, int high)
{
    // The low edge wins when the window is longer than the room.
    return qMax(low, qMin(start, high - length + 1));
}

QPoint keptOn(const QPoint& at, const QSize& size, const QRect& screen)
{
    return {keptWithin(at.x(), size.width(), screen.left(), screen.right()),
            keptWithin(at.y(), size.height(), screen.top(), screen.bottom())};
}

QRect screenOf(const QWidget& owner)
{
    const QScreen* screen = owner.screen();
    return screen ? screen->availableGeometry() : owner.frameGeometry();
}

} // namespace

QPoint centredOver(const QRect& owner, const QSize& size, const QRect& screen)
{
    const QPoint centre = owner.center();
    return keptOn({centre.x() - (size.width() - 1) / 2, centre.y() - (size.height() - 1) / 2}, size,
                  screen);
}

QPoint besideOf(const QRect& owner, const QSize& size, const QRect& screen)
{
    const int top = owner.top();
    if (owner.right() + size.width() <= screen.right())
        return keptOn({owner.right() + 1, top}, size, screen);
    if (owner.left() - size.width() >= screen.left())
        return keptOn({owner.left() - size.width(), top}, size, screen);
    return keptOn({owner.right() + 1 - size.width() / 2, top}, size, screen);
}

void placeCentredOver(QWidget& window, const QWidget* owner)
{
    if (!owner)
        return;
    const QWidget& frame = *owner->window();
    // A window not shown yet has no place of its own; it will be shown in
    // the middle of its screen.
    const QRect screen = screenOf(frame);
    window.move(centredOver(frame.isVisible() ? frame.frameGeometry() : screen,
                            window.frameGeometry().size(), screen));
}

void placeBesideOf(QWidget& window, const QWidget* owner)
{
    if (!owner)
        return;
    const QWidget& frame = *owner->window();
    window.move(besideOf(frame.frameGeometry(), window.frameGeometry().size(), screenOf(frame)));
}

} // namespace kvt
