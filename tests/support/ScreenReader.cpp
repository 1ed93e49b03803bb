#include "ScreenReader.h"

#include <QAccessible>
#include <QLabel>
#include <QWidget>

namespace kvt::test {

QStringList unnamedControls(const QWidget* window, int* checked)
{
    QStringList unnamed;
    *checked = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // Every control the window names; Qt's own parts are named qt_...
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        ++*checked;
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(w);
        const QString name = shown->text(QAccessible::Name);
        if (auto* label = qobject_cast<QLabel*>(w);
            label && !label->text().isEmpty()
                ? name != label->text()
                : name.trimmed().isEmpty() && shown->text(QAccessible::Description).isEmpty())
            unnamed << w->objectName();
    }
    return unnamed;
}

} // namespace kvt::test
