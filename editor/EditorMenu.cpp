#include "EditorMenu.h"

#include "EditorProfile.h"

#include <QAction>
#include <QMenu>

namespace kvt {

namespace {

QAction* item(QMenu* menu, const QString& caption, const char* name,
              const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

} // namespace

EditorMenu EditorMenu::addTo(QMenu* file, QMenu* edit, const EditorProfile& profile)
{
    EditorMenu menu;
    menu.mnunew = item(file, QStringLiteral("New"), "mnunew", QKeySequence(Qt::CTRL | Qt::Key_N));
    menu.mnuopen = item(file, profile.openCaption, "mnuopen", QKeySequence(Qt::CTRL | Qt::Key_O));
    menu.mnusave = item(file, profile.saveCaption, "mnusave", QKeySequence(Qt::CTRL | Qt::Key_S));
    menu.mnusaveas = item(file, QStringLiteral("Save As"), "mnusaveas");
    menu.mnuprint =
        item(file, QStringLiteral("Print"), "mnuprint", QKeySequence(Qt::CTRL | Qt::Key_P));
    if (profile.formattedListing)
        menu.mnuprintlineno = item(file, QStringLiteral("Print with Line# "), "mnuprintlineno");
    menu.mnucut = item(edit, QStringLiteral("Cut"), "mnucut", QKeySequence(Qt::CTRL | Qt::Key_X));
    menu.mnucopy =
        item(edit, QStringLiteral("Copy"), "mnucopy", QKeySequence(Qt::CTRL | Qt::Key_C));
    menu.mnupaste =
        item(edit, QStringLiteral("Paste"), "mnupaste", QKeySequence(Qt::CTRL | Qt::Key_V));
    return menu;
}

} // namespace kvt
