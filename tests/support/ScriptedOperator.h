#pragma once

#include "app/shell/Operator.h"

#include <QList>
#include <QQueue>

#include <functional>

namespace kvt::test {

// Answers the operator's boxes from a script and remembers every box shown.
// A box without a scripted answer gets the first button of its set (OK or Yes).
class ScriptedOperator : public Operator {
public:
    MessageAnswer message(QWidget* parent, const Message& message) override;
    void beep() override { ++beeps; }

    void answerNext(MessageAnswer answer) { m_answers.enqueue(answer); }
    // Runs while the box would be open, e.g. to let a test act inside a modal wait.
    std::function<void(const Message&)> onMessage;

    QList<Message> messages;
    int beeps = 0;

private:
    QQueue<MessageAnswer> m_answers;
};

} // namespace kvt::test
