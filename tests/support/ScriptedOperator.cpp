#include "ScriptedOperator.h"

#include <QPrinter>

namespace kvt::test {

MessageAnswer ScriptedOperator::message(QWidget*, const Message& message)
{
    messages.append(message);
    if (onMessage)
        onMessage(message);
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    return defaultAnswerOf(message);
}

std::unique_ptr<Notice> ScriptedOperator::notice(QWidget*, const Message& message)
{
    struct Counted : Notice {
        explicit Counted(int& count) : count(++count) {}
        ~Counted() override { --count; }
        int& count;
    };
    messages.append(message);
    return std::make_unique<Counted>(openNotices);
}

std::optional<QString> ScriptedOperator::chooseFile(QWidget*, const FileDialog& dialog)
{
    fileDialogs.append(dialog);
    if (m_files.isEmpty())
        return std::nullopt;
    return m_files.dequeue();
}

bool ScriptedOperator::choosePrinter(QWidget*, QPrinter& printer, const PrintDialog&)
{
    if (m_prints.isEmpty())
        return false;
    const PrintAnswer answer = m_prints.dequeue();
    if (!answer.accepted)
        return false;
    if (!answer.pdfFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(answer.pdfFile);
    }
    printer.setCopyCount(answer.copies);
    return true;
}

} // namespace kvt::test
