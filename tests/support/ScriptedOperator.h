#pragma once

#include "shell/Operator.h"

#include <QList>
#include <QQueue>

#include <functional>
#include <optional>

namespace kvt::test {

// Answers the operator's boxes from a script and remembers every box shown.
// A box without a scripted answer gets what Enter would choose in it.
class ScriptedOperator : public Operator {
public:
    MessageAnswer message(QWidget* parent, const Message& message) override;
    void beep() override { ++beeps; }
    // Kept in messages as well; openNotices counts those not yet withdrawn.
    std::unique_ptr<Notice> notice(QWidget* parent, const Message& message) override;
    int openNotices = 0;

    void answerNext(MessageAnswer answer) { m_answers.enqueue(answer); }
    // Runs while the box would be open, e.g. to let a test act inside a modal wait.
    std::function<void(const Message&)> onMessage;

    QList<Message> messages;
    int beeps = 0;

    // File dialogs: the next dialog returns this path; nothing scripted means Cancel.
    void answerNextFile(std::optional<QString> path) { m_files.enqueue(std::move(path)); }
    QList<FileDialog> fileDialogs;

    // Print dialogs: what the operator chooses in the next one. Nothing scripted means Cancel.
    struct PrintAnswer {
        bool accepted = true;
        int copies = 1;
        QString pdfFile; // empty: the printer is left as it was set up
    };
    void answerNextPrint(const PrintAnswer& answer) { m_prints.enqueue(answer); }

    std::optional<QString> chooseFile(QWidget* parent, const FileDialog& dialog) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer, const PrintDialog& dialog) override;

private:
    QQueue<MessageAnswer> m_answers;
    QQueue<std::optional<QString>> m_files;
    QQueue<PrintAnswer> m_prints;
};

} // namespace kvt::test
