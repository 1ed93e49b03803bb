#pragma once

#include "Operator.h"

namespace kvt {

// The operator as the running program meets them: every message is a modal
// QMessageBox, every beep the desktop's bell.
class QtOperator : public Operator {
public:
    MessageAnswer message(QWidget* parent, const Message& message) override;
    void beep() override;
    std::unique_ptr<Notice> notice(QWidget* parent, const Message& message) override;

    // Qt's own file dialog and print dialog.
    std::optional<QString> chooseFile(QWidget* parent, const FileDialog& dialog) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer, const PrintDialog& dialog) override;
};

} // namespace kvt
