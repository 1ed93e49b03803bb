#include "EditorProfile.h"

namespace kvt {

namespace {
const QString saveAsFilter = QStringLiteral("Text files (*.txt)|*.txt| All Files (*.*)|*.*");
} // namespace

EditorProfile EditorProfile::kvt7()
{
    EditorProfile p;
    p.windowName = QStringLiteral("frmkvt_7");
    p.dialogName = QStringLiteral("FileAcess");
    p.designCaption = QStringLiteral("EDITOR SCREEN");
    p.characterLimit = 480;
    p.openFilter = saveAsFilter;
    p.saveFilter = saveAsFilter;
    p.verticalScrollBar = false;
    p.openCaption = QStringLiteral("Open File");
    p.saveCaption = QStringLiteral("Save ");
    return p;
}

EditorProfile EditorProfile::kvt31_33()
{
    EditorProfile p;
    p.windowName = QStringLiteral("frmkvt_31_33");
    p.dialogName = QStringLiteral("Fileacess");
    p.designCaption = QStringLiteral("EDITOR");
    p.openFilter = saveAsFilter;
    p.saveFilter = saveAsFilter;
    p.openCaption = QStringLiteral("Open ");
    p.saveCaption = QStringLiteral("Save");
    return p;
}

EditorProfile EditorProfile::kvt52()
{
    EditorProfile p;
    p.windowName = QStringLiteral("frmkvt_px_52");
    p.dialogName = QStringLiteral("FileAcess");
    p.designCaption = QStringLiteral("EDITOR");
    p.yesSavesInPlace = true;
    p.openFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
    p.saveFilter = saveAsFilter;
    p.formattedListing = true;
    p.fontFamily = QStringLiteral("Arial");
    p.fontPointSize = 12;
    p.openCaption = QStringLiteral("Open");
    p.saveCaption = QStringLiteral("Save");
    return p;
}

} // namespace kvt
