#pragma once

#include <QString>

namespace kvt {

// What sets the editor of one front-end window apart from the others'. The
// rest (texts, dialogs, the file format, the questions) is the same on all.
struct EditorProfile {
    QString windowName;    // frmkvt_7, frmkvt_31_33, frmkvt_px_52
    QString dialogName;    // the window's file and print dialog control
    QString designCaption; // fraeditor's caption before any command
    // Characters the text box holds, line breaks counted as CR LF; 0: no limit.
    qsizetype characterLimit = 0;
    // Yes to the save question runs Save, which saves in place when the
    // document has a file; otherwise Yes always asks for a name (Save As).
    bool yesSavesInPlace = false;
    QString openFilter;
    QString saveFilter;
    // The four-model listing: upper case, indented, and Print with Line#.
    bool formattedListing = false;
    bool verticalScrollBar = true;
    // Empty: the window's font.
    QString fontFamily;
    int fontPointSize = 0;
    // Menu captions, blanks included, as each window has always shown them.
    QString openCaption;
    QString saveCaption;

    static EditorProfile kvt7();
    static EditorProfile kvt31_33();
    static EditorProfile kvt52();
};

} // namespace kvt
