#pragma once

class QAction;
class QMenu;

namespace kvt {

struct EditorProfile;

// The File and Edit items of a window's editor. The window owns them (its
// panel logic shows, hides, enables and disables them); the editor only
// connects them and enables Paste after Copy or Cut.
struct EditorMenu {
    QAction* newItem = nullptr;
    QAction* openItem = nullptr;
    QAction* saveItem = nullptr;
    QAction* saveAsItem = nullptr;
    QAction* printItem = nullptr;
    QAction* printLineNumbersItem = nullptr; // frmkvt_px_52 only
    QAction* cutItem = nullptr;
    QAction* copyItem = nullptr;
    QAction* pasteItem = nullptr;

    // Appends the items with the window's captions, names and shortcuts: New,
    // Open, Save, Save As, Print (and Print with Line#) to file; Cut, Copy,
    // Paste to edit, so a window adds its own items around them.
    static EditorMenu addTo(QMenu* file, QMenu* edit, const EditorProfile& profile);
};

} // namespace kvt
