#include "PanelLook.h"

#include <QPalette>
#include <QWidget>

namespace kvt::look {

void paint(QWidget* widget, const QColor& back, const QColor& text)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::Base, back);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
    paintText(widget, text);
}

void paintText(QWidget* widget, const QColor& text)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    widget->setPalette(p);
}

QColor background(const QWidget* widget)
{
    return widget->palette().color(QPalette::Window);
}

QColor foreground(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

} // namespace kvt::look
