#include "EditorMenu.h"

#include "program/EditorProfile.h"
#include "shell/MenuItems.h"

#include <QAction>
#include <QMenu>

namespace kvt {

EditorMenu EditorMenu::addTo(QMenu* file, QMenu* edit, const EditorProfile& profile)
{
    EditorMenu menu;
    menu.mnunew =
        addItem(file, QStringLiteral("New"), "mnunew", QKeySequence(Qt::CTRL | Qt::Key_N));
    menu.mnuopen =
        addItem(file, profile.openCaption, "mnuopen", QKeySequence(Qt::CTRL | Qt::Key_O));
    menu.mnusave =
        addItem(file, profile.saveCaption, "mnusave", QKeySequence(Qt::CTRL | Qt::Key_S));
    menu.mnusaveas = addItem(file, QStringLiteral("Save As"), "mnusaveas");
    menu.mnuprint =
        addItem(file, QStringLiteral("Print"), "mnuprint", QKeySequence(Qt::CTRL | Qt::Key_P));
    if (profile.formattedListing)
        menu.mnuprintlineno = addItem(file, QStringLiteral("Print with Line# "), "mnuprintlineno");
    menu.mnucut =
        addItem(edit, QStringLiteral("Cut"), "mnucut", QKeySequence(Qt::CTRL | Qt::Key_X));
    menu.mnucopy =
        addItem(edit, QStringLiteral("Copy"), "mnucopy", QKeySequence(Qt::CTRL | Qt::Key_C));
    menu.mnupaste =
        addItem(edit, QStringLiteral("Paste"), "mnupaste", QKeySequence(Qt::CTRL | Qt::Key_V));
    return menu;
}

} // namespace kvt
