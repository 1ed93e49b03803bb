#pragma once

#include <QString>

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

    friend bool operator==(const Message&, const Message&) = default;
};

// Everything that asks or tells the operator goes through here, so that the
// windows never raise a dialog themselves and tests can answer in their place.
// A box is modal: code after message() must re-check that its window still lives.
class Operator {
public:
    virtual ~Operator() = default;

    virtual MessageAnswer message(QWidget* parent, const Message& message) = 0;
    virtual void beep() = 0;
};

} // namespace kvt
