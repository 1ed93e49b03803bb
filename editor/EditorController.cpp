#include "EditorController.h"

#include "CharacterLimit.h"
#include "ListingPrinter.h"
#include "base/Windows1252.h"
#include "program/ListingText.h"
#include "program/ProgramFile.h"
#include "program/ProgramText.h"

#include "shell/Operator.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>

namespace kvt {

namespace {

const QString saveQuestionText = QStringLiteral("Do you want to save your file  ????  ");
const QString saveQuestionTitle = QStringLiteral("Save File");
const QString replaceQuestion = QStringLiteral("File Exist !! Replace existing file - ");
const QString openTitle = QStringLiteral("Open");
const QString saveAsTitle = QStringLiteral("Saves As");
const QString newCaption = QStringLiteral("EDITOR - [NEW]");
const QString fileCaption = QStringLiteral("EDITOR - ");

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString fileReason(const QString& path, const QString& reason)
{
    return QStringLiteral("%1: %2").arg(shown(path), reason);
}

} // namespace

EditorController::EditorController(EditorProfile profile, Operator& op, QPlainTextEdit* txteditor,
                                   QGroupBox* fraeditor, QObject* parent)
    : QObject(parent), m_profile(std::move(profile)), m_operator(op), m_textEdit(txteditor),
      m_frame(fraeditor)
{
    // Every window's text box scrolls sideways rather than wrapping program lines.
    txteditor->setLineWrapMode(QPlainTextEdit::NoWrap);
    if (!m_profile.verticalScrollBar)
        txteditor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (!m_profile.fontFamily.isEmpty())
        txteditor->setFont(QFont(m_profile.fontFamily, m_profile.fontPointSize));
    txteditor->installEventFilter(this);

    m_limit = new CharacterLimit(txteditor->document(), m_profile.characterLimit, this);
    connect(m_limit, &CharacterLimit::changed, this, [this] { m_editFlag = true; });

    setCaption(m_profile.designCaption);
}

EditorController::~EditorController() = default;

void EditorController::wireMenu(const EditorMenu& menu)
{
    m_menu = menu;
    const auto wire = [this](QAction* action, auto command) {
        if (action)
            connect(action, &QAction::triggered, this, command);
    };
    wire(menu.newItem, &EditorController::newDocument);
    wire(menu.openItem, &EditorController::open);
    wire(menu.saveItem, &EditorController::save);
    wire(menu.saveAsItem, &EditorController::saveAs);
    wire(menu.printItem, [this] { print(false); });
    wire(menu.printLineNumbersItem, [this] { print(true); });
    wire(menu.cutItem, &EditorController::cut);
    wire(menu.copyItem, &EditorController::copy);
    wire(menu.pasteItem, &EditorController::paste);
    if (menu.pasteItem)
        menu.pasteItem->setEnabled(m_pasteAvailable);
}

bool EditorController::saveQuestion()
{
    if (!m_editFlag)
        return true;
    const QPointer<EditorController> alive(this);
    const MessageAnswer answer =
        m_operator.message(dialogParent(), {saveQuestionText, saveQuestionTitle, MessageIcon::None,
                                            MessageButtons::YesNoCancel});
    if (!alive)
        return false;
    switch (answer) {
    case MessageAnswer::Yes:
        // The command goes on only when the text was saved: otherwise it would
        // be thrown away right after the operator asked to keep it.
        return m_profile.yesSavesInPlace ? save() : saveAs();
    case MessageAnswer::No:
        return true;
    case MessageAnswer::Cancel:
    case MessageAnswer::Ok:
        break;
    }
    return false;
}

void EditorController::newDocument()
{
    const QPointer<EditorController> alive(this);
    if (!saveQuestion() || !alive)
        return;
    setEditorText(QString());
    setCaption(newCaption);
    m_fileFlag = false;
    m_editFlag = false;
}

void EditorController::open()
{
    const QPointer<EditorController> alive(this);
    if (!saveQuestion() || !alive)
        return;
    const std::optional<QString> chosen = m_operator.chooseFile(
        dialogParent(), {FileDialog::Kind::Open, openTitle, m_profile.openFilter, m_dialogFileName,
                         m_profile.dialogName});
    if (!alive || !chosen)
        return;
    m_dialogFileName = *chosen;

    ProgramFile file(*chosen);
    const std::optional<QString> read = file.read();
    if (!read) {
        tell(fileReason(*chosen, file.errorString()));
        return;
    }
    QString program = *read;
    const qsizetype limit = m_profile.characterLimit;
    const bool cut = limit > 0 && program.size() > limit;
    if (cut)
        program = ProgramText::cut(program, limit);

    m_fileFlag = true;
    m_filePath = *chosen;
    setEditorText(program);
    setCaption(fileCaption + ProgramText::fileName(*chosen));
    m_editFlag = false;

    // Saving now would shorten the file, so the operator must know.
    if (cut)
        tell(QStringLiteral("%1 holds a program of %2 characters; the editor holds %3. Only the "
                            "first %3 characters were loaded.")
                 .arg(shown(*chosen))
                 .arg(read->size())
                 .arg(limit));
}

bool EditorController::save()
{
    if (!m_fileFlag)
        return saveAs();
    if (!checkEncodable() || !writeTo(m_filePath))
        return false;
    m_editFlag = false;
    return true;
}

bool EditorController::saveAs()
{
    // Before the dialog: a name chosen for text that cannot be saved is wasted.
    if (!checkEncodable())
        return false;
    const QPointer<EditorController> alive(this);
    for (;;) {
        const std::optional<QString> chosen = m_operator.chooseFile(
            dialogParent(), {FileDialog::Kind::Save, saveAsTitle, m_profile.saveFilter,
                             m_dialogFileName, m_profile.dialogName});
        if (!alive || !chosen)
            return false;
        m_dialogFileName = *chosen;

        if (QFileInfo::exists(*chosen)) {
            const MessageAnswer answer = m_operator.message(
                dialogParent(), {replaceQuestion + shown(*chosen) + u'?', QString(),
                                 MessageIcon::Question, MessageButtons::YesNoCancel});
            if (!alive)
                return false;
            if (answer == MessageAnswer::Cancel)
                continue;
            if (answer != MessageAnswer::Yes)
                return false;
        }
        if (!writeTo(*chosen))
            return false;
        m_fileFlag = true;
        m_filePath = *chosen;
        setCaption(fileCaption + ProgramText::fileName(*chosen));
        m_editFlag = false;
        return true;
    }
}

bool EditorController::checkEncodable()
{
    const QString program = text();
    const qsizetype at = Windows1252::firstUnencodable(program);
    if (at < 0)
        return true;
    const QChar c = program.at(at);
    const bool pair =
        c.isHighSurrogate() && at + 1 < program.size() && program.at(at + 1).isLowSurrogate();
    const char32_t code = pair ? QChar::surrogateToUcs4(c, program.at(at + 1)) : c.unicode();
    const ProgramText::Place place = ProgramText::placeOf(program, at);
    tell(QStringLiteral("The character \"%1\" (U+%2) in line %3, column %4 cannot be stored in a "
                        "program file, which holds only the characters of Windows-1252. Nothing "
                        "was saved.")
             .arg(program.mid(at, pair ? 2 : 1))
             .arg(QString::number(uint(code), 16).toUpper().rightJustified(4, u'0'))
             .arg(place.line)
             .arg(place.column));
    return false;
}

bool EditorController::writeTo(const QString& path)
{
    ProgramFile file(path);
    if (file.write(text()))
        return true;
    tell(fileReason(path, file.errorString()));
    return false;
}

void EditorController::print(bool withLineNumbers)
{
    const QPointer<EditorController> alive(this);
    QPrinter& printer = this->printer();
    if (!m_operator.choosePrinter(dialogParent(), printer, PrintDialog{m_profile.dialogName}) ||
        !alive)
        return;
    const QString path = shown(m_filePath);
    const QStringList lines = m_profile.formattedListing
                                  ? ListingText::formatted(text(), path, withLineNumbers)
                                  : ListingText::plain(text(), path);
    // Silence here would leave the operator waiting at the printer for nothing.
    if (!ListingPrinter::print(printer, lines)) {
        const QString target = printer.outputFileName().isEmpty() ? printer.printerName()
                                                                  : shown(printer.outputFileName());
        tell(QStringLiteral("The listing could not be printed on %1.").arg(target));
    }
}

void EditorController::copy()
{
    if (!m_textEdit)
        return;
    QString selected = m_textEdit->textCursor().selectedText();
    if (selected.isEmpty())
        return;
    selected.replace(QChar::ParagraphSeparator, u'\n');
    selected.replace(QChar::LineSeparator, u'\n');
    QGuiApplication::clipboard()->setText(selected);
    setPasteAvailable(true);
}

void EditorController::cut()
{
    if (!m_textEdit || !m_textEdit->textCursor().hasSelection())
        return;
    copy();
    QTextCursor cursor = m_textEdit->textCursor();
    cursor.removeSelectedText();
    m_textEdit->setTextCursor(cursor);
}

void EditorController::paste()
{
    if (!m_textEdit)
        return;
    QString pasted = QGuiApplication::clipboard()->text();
    pasted.replace(QChar::ParagraphSeparator, u'\n');
    pasted.replace(QChar::LineSeparator, u'\n');
    QTextCursor cursor = m_textEdit->textCursor();
    // One edit block, so that the character limit's cut joins it for Undo.
    cursor.beginEditBlock();
    cursor.insertText(pasted);
    cursor.endEditBlock();
    m_textEdit->setTextCursor(cursor);
    m_textEdit->ensureCursorVisible();
}

bool EditorController::mayDiscardText()
{
    return saveQuestion();
}

void EditorController::resetPaste()
{
    setPasteAvailable(false);
}

bool EditorController::setUploadedText(const QString& text, const QString& caption)
{
    const QString program = ProgramText::withCrLf(text);
    const qsizetype limit = m_profile.characterLimit;
    const bool fits = limit <= 0 || program.size() <= limit;
    if (m_textEdit) {
        // One edit the operator can undo, rather than a new document.
        QTextCursor cursor(m_textEdit->document());
        cursor.beginEditBlock();
        cursor.select(QTextCursor::Document);
        cursor.insertText(QString(fits ? program : ProgramText::cut(program, limit))
                              .replace(QLatin1String("\r\n"), QLatin1String("\n")));
        cursor.endEditBlock();
    }
    m_fileFlag = false;
    setCaption(caption);
    return fits;
}

QString EditorController::text() const
{
    if (!m_textEdit)
        return QString();
    // Block by block: toPlainText() would turn no-break spaces into blanks.
    QString text;
    const QTextDocument* document = m_textEdit->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin())
            text += QLatin1String("\r\n");
        text += block.text();
    }
    text.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return text;
}

bool EditorController::pasteAvailable() const
{
    return m_menu.pasteItem ? m_menu.pasteItem->isEnabled() : m_pasteAvailable;
}

QPrinter& EditorController::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

bool EditorController::eventFilter(QObject* watched, QEvent* event)
{
    // The event type first: while the text box is being destroyed, comparing
    // it as a QPlainTextEdit is no longer valid.
    if (event->type() != QEvent::KeyPress || watched != m_textEdit)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    // The text box would take the Edit menu's keys for itself; they belong to
    // the menu, so that Ctrl+C enables Paste and a greyed Paste stays greyed.
    if (key->matches(QKeySequence::Copy)) {
        copy();
        return true;
    }
    if (key->matches(QKeySequence::Cut)) {
        cut();
        return true;
    }
    if (key->matches(QKeySequence::Paste)) {
        if (pasteAvailable())
            paste();
        return true;
    }
    const bool lineBreak = key->matches(QKeySequence::InsertParagraphSeparator) ||
                           key->matches(QKeySequence::InsertLineSeparator);
    const QString typed = key->text();
    const bool character = !typed.isEmpty() && (typed.at(0).isPrint() || typed.at(0) == u'\t') &&
                           !(key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (!lineBreak && !character)
        return false;
    // Typing stops at the limit: the key is refused, nothing changes.
    if (!m_limit->fits(m_textEdit->textCursor(), lineBreak ? 2 : typed.size()))
        return true;
    if (key->matches(QKeySequence::InsertLineSeparator)) {
        // A line break inside a paragraph would be a CR LF nobody sees; the
        // program has only CR LF line breaks, so Shift+Return makes one.
        m_textEdit->textCursor().insertBlock();
        m_textEdit->ensureCursorVisible();
        return true;
    }
    return false;
}

void EditorController::setEditorText(const QString& text)
{
    if (m_textEdit)
        m_textEdit->setPlainText(text);
}

void EditorController::setCaption(const QString& caption)
{
    m_caption = caption;
    if (m_frame)
        m_frame->setTitle(caption);
}

void EditorController::setPasteAvailable(bool available)
{
    m_pasteAvailable = available;
    if (m_menu.pasteItem)
        m_menu.pasteItem->setEnabled(available);
}

void EditorController::tell(const QString& text)
{
    m_operator.message(dialogParent(),
                       {text, QString(), MessageIcon::Exclamation, MessageButtons::Ok});
}

QWidget* EditorController::dialogParent() const
{
    return m_textEdit ? m_textEdit->window() : nullptr;
}

} // namespace kvt
