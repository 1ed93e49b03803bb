#include "PanelLook.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QPalette>
#include <QSettings>
#include <QWidget>

#include <algorithm>
#include <cmath>

#if QT_VERSION >= QT_VERSION_CHECK(6, 10, 0)
#include <QAccessibilityHints>
#include <QStyleHints>
#endif

namespace kvt::look {

namespace {
const char* const designBack = "kvtDesignBack";
const char* const designText = "kvtDesignText";
const char* const showsReplies = "kvtShowsReplies";
const QString rememberedKey = QStringLiteral("view/highContrast");
constexpr double readable = 7.0;

double linear(int channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.red()) + 0.7152 * linear(rgb.green()) + 0.0722 * linear(rgb.blue());
}

QColor towardWhite(const QColor& colour, double share)
{
    const QColor rgb = colour.toRgb();
    auto mix = [share](int c) { return int(std::lround(c + (255 - c) * share)); };
    return QColor(mix(rgb.red()), mix(rgb.green()), mix(rgb.blue()));
}

QColor designBackBehind(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (const QVariant back = w->property(designBack); back.isValid())
            return back.value<QColor>();
    return widget->palette().color(QPalette::Window);
}

// The caption a screen reader gives an inactive frame; it follows the frame's
// title, which an upload may change while the frame is inactive.
class InactiveCaption : public QObject {
public:
    explicit InactiveCaption(QGroupBox* frame) : QObject(frame)
    {
        setObjectName(QLatin1String(objectNameOfIt));
        frame->installEventFilter(this);
    }
    static void follow(QGroupBox* frame)
    {
        // Looked up by name: without a meta-object of its own, a cast would
        // take the frame's layout for it.
        if (!frame->findChild<QObject*>(QLatin1String(objectNameOfIt), Qt::FindDirectChildrenOnly))
            new InactiveCaption(frame);
        update(frame);
    }
    static void update(QGroupBox* frame)
    {
        const bool inactive = background(frame) == inactiveBack;
        const QString name = inactive ? QString(frame->title()).remove(QLatin1Char('&')) +
                                            QStringLiteral(" (inactive)")
                                      : QString();
        if (frame->accessibleName() != name)
            frame->setAccessibleName(name);
    }

protected:
    static constexpr const char* objectNameOfIt = "inactivecaption";

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            update(static_cast<QGroupBox*>(watched));
        return false;
    }
};

void show(QWidget* widget, bool highContrast)
{
    const QVariant back = widget->property(designBack);
    Colours shown{back.isValid() ? back.value<QColor>() : designBackBehind(widget),
                  widget->property(designText).value<QColor>()};
    if (highContrast)
        shown = look::highContrast(shown, widget->property(showsReplies).toBool() ? Surface::Replies
                                                                                  : Surface::Panel);
    QPalette p = widget->palette();
    if (back.isValid()) {
        p.setColor(QPalette::Window, shown.back);
        p.setColor(QPalette::Base, shown.back);
        widget->setAutoFillBackground(true);
    }
    p.setColor(QPalette::WindowText, shown.text);
    p.setColor(QPalette::Text, shown.text);
    widget->setPalette(p);
    if (auto* frame = qobject_cast<QGroupBox*>(widget); frame && back.isValid()) {
        InactiveCaption::follow(frame);
        // Grey alone does not tell an inactive panel where colours are not enough.
        const bool slanted = highContrast && back.value<QColor>() == inactiveBack;
        if (frame->font().italic() != slanted) {
            QFont font = frame->font();
            font.setItalic(slanted);
            frame->setFont(font);
        }
    }
}

bool desktopWantsHighContrast()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 10, 0)
    return QGuiApplication::styleHints()->accessibility()->contrastPreference() ==
           Qt::ContrastPreference::HighContrast;
#else
    // Qt before 6.10 does not report the desktop's contrast setting.
    return false;
#endif
}
} // namespace

void paint(QWidget* widget, const QColor& back, const QColor& text)
{
    widget->setProperty(designBack, back);
    widget->setProperty(designText, text);
    show(widget, LookSwitch::instance().highContrast());
}

void paintText(QWidget* widget, const QColor& text)
{
    widget->setProperty(designText, text);
    show(widget, LookSwitch::instance().highContrast());
}

QColor background(const QWidget* widget)
{
    const QVariant back = widget->property(designBack);
    return back.isValid() ? back.value<QColor>() : widget->palette().color(QPalette::Window);
}

QColor foreground(const QWidget* widget)
{
    const QVariant text = widget->property(designText);
    return text.isValid() ? text.value<QColor>() : widget->palette().color(QPalette::WindowText);
}

void markAsReplies(QWidget* widget)
{
    widget->setProperty(showsReplies, true);
    if (widget->property(designText).isValid())
        show(widget, LookSwitch::instance().highContrast());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Colours highContrast(const Colours& design, Surface surface)
{
    if (surface == Surface::Replies)
        return {white, black};
    // The panel keeps its hue where black or white text reads well on it, and
    // is lightened toward white, under black text, where neither does.
    QColor back = design.back;
    if (contrastRatio(back, white) >= readable)
        return {back, white};
    for (int tenth = 1; contrastRatio(back, black) < readable; ++tenth)
        back = towardWhite(design.back, tenth / 10.0);
    return {back, black};
}

LookSwitch& LookSwitch::instance()
{
    static LookSwitch* single = new LookSwitch;
    return *single;
}

LookSwitch::LookSwitch() : QObject(qApp)
{
    const QVariant remembered = QSettings().value(rememberedKey);
    m_highContrast = remembered.isValid() ? remembered.toBool() : desktopWantsHighContrast();
#if QT_VERSION >= QT_VERSION_CHECK(6, 10, 0)
    connect(QGuiApplication::styleHints()->accessibility(),
            &QAccessibilityHints::contrastPreferenceChanged, this,
            [this] { apply(desktopWantsHighContrast()); });
#endif
}

void LookSwitch::choose(bool highContrast)
{
    QSettings().setValue(rememberedKey, highContrast);
    apply(highContrast);
}

void LookSwitch::apply(bool highContrast)
{
    if (highContrast == m_highContrast)
        return;
    m_highContrast = highContrast;
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->property(designText).isValid())
            show(widget, highContrast);
    Q_EMIT highContrastChanged(highContrast);
}

} // namespace kvt::look
