#pragma once

#include "EditorMenu.h"
#include "program/EditorProfile.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QGroupBox;
class QPlainTextEdit;
class QPrinter;
class QWidget;

namespace kvt {

class CharacterLimit;
class Operator;

// The program editor of one front-end window: its document state (EditFlag,
// FileFlag, FilePath, the fraeditor caption) and its File and Edit commands.
// The window keeps its widgets and menu items and decides when they are
// enabled; this object gives them their behaviour. Every question and dialog
// goes to the operator seam.
//
// The text box's line breaks are CR LF pairs to everybody outside (text(), the
// files, the listings, the 480-character limit); QPlainTextEdit keeps them as
// block breaks, so a lone CR or LF put in becomes a CR LF pair.
class EditorController : public QObject {
    Q_OBJECT
public:
    // txteditor and fraeditor belong to the window; parent is usually the window.
    EditorController(EditorProfile profile, Operator& op, QPlainTextEdit* txteditor,
                     QGroupBox* fraeditor, QObject* parent = nullptr);
    ~EditorController() override;

    // Connects the window's File and Edit items to the commands below.
    void wireMenu(const EditorMenu& menu);

    // The commands. Those that may save return whether the command went
    // through, so that a caller knows whether the text is safe.
    void newDocument();                       // mnunew
    void open();                              // mnuopen
    bool save();                              // mnusave
    bool saveAs();                            // mnusaveas
    void print(bool withLineNumbers = false); // mnuprint, mnuprintlineno
    void cut();                               // mnucut
    void copy();                              // mnucopy
    void paste();                             // mnupaste

    // The save question of Exit and of an upload about to replace the text:
    // true when the text may go (nothing to save, saved, or the operator
    // chose not to save).
    bool mayDiscardText();

    // The panel logic turned the editor on: Paste waits for the next Copy or Cut.
    void resetPaste();

    // An upload put a received program into the editor: the document is no
    // longer bound to its file, the caption is the upload's own, and the text
    // counts as changed; Undo brings the old text back. False when the
    // character limit cut the program.
    bool setUploadedText(const QString& text, const QString& caption);

    // The program as the controller and the files see it, lines ending CR LF.
    QString text() const;

    bool editFlag() const { return m_editFlag; }
    bool fileFlag() const { return m_fileFlag; }
    QString filePath() const { return m_filePath; }
    QString caption() const { return m_caption; }
    bool pasteAvailable() const;
    const EditorProfile& profile() const { return m_profile; }

    // The window's printer; it keeps the operator's last choices.
    QPrinter& printer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool saveQuestion();
    bool checkEncodable();
    bool writeTo(const QString& path);
    void setEditorText(const QString& text);
    void setCaption(const QString& caption);
    void setPasteAvailable(bool available);
    void tell(const QString& text);
    QWidget* dialogParent() const;

    EditorProfile m_profile;
    Operator& m_operator;
    QPointer<QPlainTextEdit> m_textEdit;
    QPointer<QGroupBox> m_frame;
    CharacterLimit* m_limit = nullptr;
    EditorMenu m_menu;
    std::unique_ptr<QPrinter> m_printer;

    bool m_editFlag = false;
    bool m_fileFlag = false;
    QString m_filePath = QStringLiteral("Untitled.txt");
    QString m_caption;
    // The dialog control's FileName: the last name chosen, offered again.
    QString m_dialogFileName;
    bool m_pasteAvailable = false;
};

} // namespace kvt
