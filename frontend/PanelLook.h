#pragma once

#include <QColor>
#include <QObject>

class QWidget;

namespace kvt::look {

// The front ends' colours. A panel is inactive exactly when its frame wears
// the inactive grey, which is how the window tells which panel is active.
inline const QColor inactiveBack{192, 192, 192};
inline const QColor inactiveText{128, 128, 128};
inline const QColor black{0, 0, 0};
inline const QColor white{255, 255, 255};
inline const QColor editorFrame{0, 255, 207};
inline const QColor onlineFrame{0, 255, 255};
inline const QColor onlineEntry{192, 255, 255};
inline const QColor onlineHistory{128, 255, 255};
inline const QColor manualBack{240, 255, 15};
inline const QColor monitorBack{255, 0, 255};
inline const QColor responseBack{255, 0, 0};
inline const QColor responseText{64, 64, 64};

// Background and text of a widget, in every state, so a disabled control still
// shows the panel's colours instead of the style's. The colours given are the
// design's; in the high-contrast look the widget shows their readable
// counterpart, and follows when the look is switched. A frame painted in the
// inactive grey tells screen readers that it is inactive.
void paint(QWidget* widget, const QColor& back, const QColor& text);
void paintText(QWidget* widget, const QColor& text);
// The design colours last painted, whichever look is shown.
QColor background(const QWidget* widget);
QColor foreground(const QWidget* widget);

// A reply display reads black on white in the high-contrast look, whatever
// its panel's colours.
void markAsReplies(QWidget* widget);

struct Colours {
    QColor back;
    QColor text;
    bool operator==(const Colours&) const = default;
};
enum class Surface { Panel, Replies };

// Contrast ratio of two colours by the WCAG 2 formula: 1 for equal colours,
// 21 for black on white, the same in either order.
double contrastRatio(const QColor& a, const QColor& b);
// What the design's colours become in the high-contrast look.
Colours highContrast(const Colours& design, Surface surface);

// The look every open window shows. Switching repaints all painted widgets.
class LookSwitch : public QObject {
    Q_OBJECT
public:
    static LookSwitch& instance();
    bool highContrast() const { return m_highContrast; }
    // The operator's choice, remembered for the next start.
    void choose(bool highContrast);

Q_SIGNALS:
    void highContrastChanged(bool on);

private:
    LookSwitch();
    void apply(bool highContrast);

    bool m_highContrast = false;
};

} // namespace kvt::look
