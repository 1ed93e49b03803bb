#include "MenuItems.h"

#include <QMenu>
#include <QMenuBar>

namespace kvt {

QMenu* addMenu(QMenuBar* bar, const QString& caption, const char* name)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    // What a screen reader calls the open menu.
    menu->setWindowTitle(QString(caption).remove(u'&'));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

QAction* addItem(QMenu* menu, const QString& caption, const char* name,
                 const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

QAction* addBarItem(QMenuBar* bar, const QString& caption, const char* name)
{
    QAction* action = bar->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace kvt
