#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace kvt {

// Where a window of size goes: centred over its owner's frame, then moved
// as little as needed to lie on the owner's screen. A window larger than
// the screen keeps its top left corner on it, so its title bar stays reachable.
QPoint centredOver(const QRect& owner, const QSize& size, const QRect& screen);
// Where a companion window goes: right of its owner where it fits on the
// screen, else left of it, else over the owner's right edge; always on the
// owner's screen.
QPoint besideOf(const QRect& owner, const QSize& size, const QRect& screen);

// The same for live windows, on the owner's screen; nothing happens without an owner.
void placeCentredOver(QWidget& window, const QWidget* owner);
void placeBesideOf(QWidget& window, const QWidget* owner);

} // namespace kvt
