#pragma once

#include <QString>

#include <memory>
#include <optional>

class QPrinter;
class QWidget;

namespace kvt {

enum class MessageIcon { None, Question, Exclamation, Critical, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct Message {
    QString text;
    QString title; // empty: the box carries no title of its own
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    // What Enter chooses; none: the first button of the set. A question that
    // destroys something defaults to No.
    std::optional<MessageAnswer> defaultAnswer;

    friend bool operator==(const Message&, const Message&) = default;
};

// The answer Enter gives in a box.
MessageAnswer defaultAnswerOf(const Message& message);

// An Open or Save dialog as a window sets it up.
struct FileDialog {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    // "description|pattern|description|pattern...", exactly as the window writes it.
    QString filter;
    // The name last chosen in this window's dialog, which it offers again.
    QString fileName;
    // The window's dialog control (FileAcess, Fileacess).
    QString objectName;

    friend bool operator==(const FileDialog&, const FileDialog&) = default;
};

// The print dialog: no selection, no page range, only the printer and the copy count.
struct PrintDialog {
    QString objectName;
    int minPage = 1;
    int maxPage = 9999;

    friend bool operator==(const PrintDialog&, const PrintDialog&) = default;
};

// A box that does not hold its caller up. It stays until the operator
// closes it or its owner withdraws it by deleting this handle, when what it
// tells is over (a lost device that came back).
class Notice {
public:
    virtual ~Notice() = default;
};

// Everything that asks or tells the operator goes through here, so that the
// windows never raise a dialog themselves and tests can answer in their place.
// A box is modal: code after message() must re-check that its window still lives.
class Operator {
public:
    virtual ~Operator() = default;

    virtual MessageAnswer message(QWidget* parent, const Message& message) = 0;
    virtual void beep() = 0;
    // An OK box shown without waiting; the caller goes on at once.
    virtual std::unique_ptr<Notice> notice(QWidget* parent, const Message& message) = 0;

    // The chosen path, or nothing when the operator cancelled.
    virtual std::optional<QString> chooseFile(QWidget* parent, const FileDialog& dialog) = 0;
    // The operator's choices (printer or file, copy count) land in printer.
    // False when the operator cancelled.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer, const PrintDialog& dialog) = 0;
};

} // namespace kvt
