#include "ScriptedOperator.h"

namespace kvt::test {

MessageAnswer ScriptedOperator::message(QWidget*, const Message& message)
{
    messages.append(message);
    if (onMessage)
        onMessage(message);
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    switch (message.buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Yes;
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
        break;
    }
    return MessageAnswer::Ok;
}

} // namespace kvt::test
