#pragma once

#include <QColor>

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
// shows the panel's colours instead of the style's.
void paint(QWidget* widget, const QColor& back, const QColor& text);
void paintText(QWidget* widget, const QColor& text);
QColor background(const QWidget* widget);
QColor foreground(const QWidget* widget);

} // namespace kvt::look
