#include "EditorMenu.h"

#include "program/EditorProfile.h"
#include "shell/MenuItems.h"

#include <QAction>
#include <QMenu>

namespace kvt {

EditorMenu EditorMenu::addTo(QMenu* file, QMenu* edit, const EditorProfile& profile)
{
    EditorMenu menu;
    menu.newItem =
        addItem(file, QStringLiteral("New"), "mnunew", QKeySequence(Qt::CTRL | Qt::Key_N));
    menu.openItem =
        addItem(file, profile.openCaption, "mnuopen", QKeySequence(Qt::CTRL | Qt::Key_O));
    menu.saveItem =
        addItem(file, profile.saveCaption, "mnusave", QKeySequence(Qt::CTRL | Qt::Key_S));
    menu.saveAsItem = addItem(file, QStringLiteral("Save As"), "mnusaveas");
    menu.printItem =
        addItem(file, QStringLiteral("Print"), "mnuprint", QKeySequence(Qt::CTRL | Qt::Key_P));
    if (profile.formattedListing)
        menu.printLineNumbersItem =
            addItem(file, QStringLiteral("Print with Line# "), "mnuprintlineno");
    menu.cutItem =
        addItem(edit, QStringLiteral("Cut"), "mnucut", QKeySequence(Qt::CTRL | Qt::Key_X));
    menu.copyItem =
        addItem(edit, QStringLiteral("Copy"), "mnucopy", QKeySequence(Qt::CTRL | Qt::Key_C));
    menu.pasteItem =
        addItem(edit, QStringLiteral("Paste"), "mnupaste", QKeySequence(Qt::CTRL | Qt::Key_V));
    return menu;
}

} // namespace kvt
