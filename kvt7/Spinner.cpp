#include "Spinner.h"

#include <QStyle>

namespace kvt {

Spinner::Spinner(const char* name, int lowest, int highest, int arrowStep, int pageStep,
                 QWidget* parent)
    : QScrollBar(Qt::Vertical, parent)
{
    setObjectName(QLatin1String(name));
    setRange(-highest, -lowest);
    setSingleStep(arrowStep);
    setPageStep(pageStep);
    // Keys and wheel must move the number as the arrows do. That is QScrollBar's
    // default; stated because the negated range depends on it.
    setInvertedControls(true);
    // Two arrows and a little room for the handle: a spinner, not a scroller.
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    setFixedSize(extent, 3 * extent);
    connect(this, &QScrollBar::valueChanged, this,
            [this](int value) { Q_EMIT numberChanged(-value); });
}

} // namespace kvt
