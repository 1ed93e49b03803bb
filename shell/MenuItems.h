#pragma once

#include <QKeySequence>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;

namespace kvt {

// Menus and items carry their control names as objectName, so tests and
// outside scripts find them as the operator sees them.
QMenu* addMenu(QMenuBar* bar, const QString& caption, const char* name);
QAction* addItem(QMenu* menu, const QString& caption, const char* name,
                 const QKeySequence& shortcut = {});
// A command directly on the menu bar (Download, Exit).
QAction* addBarItem(QMenuBar* bar, const QString& caption, const char* name);

} // namespace kvt
