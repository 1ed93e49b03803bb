#include "PlanScale.h"

#include <algorithm>

namespace kvt {

double fittedPlanScale(QSizeF plan, QSizeF room, double textPoints, double smallestPoints)
{
    if (plan.isEmpty() || textPoints <= 0)
        return 1.0;
    const double fit = std::min({1.0, room.width() / plan.width(), room.height() / plan.height()});
    const double readable =
        smallestPoints > 0 && smallestPoints <= textPoints ? smallestPoints / textPoints : 0.8;
    return std::max(fit, std::min(readable, 1.0));
}

} // namespace kvt
