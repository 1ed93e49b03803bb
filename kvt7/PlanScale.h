#pragma once

#include <QSizeF>

namespace kvt {

// How far a window drawn to a fixed plan shrinks to fit the room it has: the
// whole plan in view, unless its text would fall below the smallest size the
// platform calls readable; then it stops there and the plan scrolls. Never
// grows: 1 when the plan fits as drawn.
//
// A platform that names no smallest size, or one larger than the text itself
// (where it has none, Qt reports its default font), is taken to allow four
// fifths of the text's size, the ratio of the desktops that do name one.
double fittedPlanScale(QSizeF plan, QSizeF room, double textPoints, double smallestPoints);

} // namespace kvt
