#pragma once

#include "editor/EditorMenu.h"
#include "program/EditorProfile.h"

#include <QGroupBox>
#include <QList>

class QAction;
class QMenu;
class QPlainTextEdit;

namespace kvt {

class EditorController;
class Operator;

// fraeditor with its text box txteditor: the editor panel every front end
// carries, with the File and Edit items that belong to it. The window decides
// when the panel is active (its formdisable and editen); this panel knows
// what that means for itself and for the menus that follow the editor.
class EditorPanel : public QGroupBox {
    Q_OBJECT
public:
    EditorPanel(const EditorProfile& profile, Operator& op, QWidget* parent = nullptr);

    // The window's File and Edit menus receive the editor's items. Edit gets
    // Activate before and Close after Cut, Copy and Paste when their control
    // names are given.
    struct EditMenuNames {
        const char* activate;
        const char* close;
    };
    void fillMenus(QMenu* file, QMenu* edit, EditMenuNames names);
    // Window items that are only offered with the editor (Download, Upload).
    void setFollowingItems(QList<QAction*> items) { m_following = std::move(items); }
    // A control shown to the left of the text box.
    void addBeside(QWidget* widget);

    EditorController& editor() { return *m_editor; }
    QPlainTextEdit* textBox() const { return m_textEdit; }

    // Greyed out: the text box and the editor's items are disabled.
    void greyOut();
    bool isGreyedOut() const;
    // Enabled, shown and coloured as the active panel; Paste waits for the
    // next Copy or Cut.
    void activate();
    // Edit, Close: the panel and its items are hidden, the text kept.
    void closePanel();
    // While a transfer runs, activating the panel shows its items but leaves
    // them disabled, so a second transfer cannot start inside the first.
    void setItemsHeld(bool held) { m_itemsHeld = held; }

Q_SIGNALS:
    // Edit, Activate or a click on the frame: the window runs its editen.
    void activationRequested();

private:
    void setActiveLook(bool active);
    QList<QAction*> itemsThatFollow() const;

    EditorController* m_editor = nullptr;
    QPlainTextEdit* m_textEdit = nullptr;
    QMenu* m_fileMenu = nullptr;
    EditorMenu m_items;
    QAction* m_closeItem = nullptr;
    QList<QAction*> m_following;
    bool m_itemsHeld = false;
};

} // namespace kvt
