#include "QtOperator.h"

#include "WindowPlacement.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>

namespace kvt {

namespace {

// A dialog that opens centred over the window that asked, on that window's
// screen, at the size it has once its contents are laid out.
template <class Dialog> class OverParent : public Dialog {
public:
    using Dialog::Dialog;

protected:
    void showEvent(QShowEvent* event) override
    {
        Dialog::showEvent(event);
        placeCentredOver(*this, this->parentWidget());
    }
};

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton standardButton(MessageAnswer answer)
{
    switch (answer) {
    case MessageAnswer::Cancel:
        return QMessageBox::Cancel;
    case MessageAnswer::Yes:
        return QMessageBox::Yes;
    case MessageAnswer::No:
        return QMessageBox::No;
    case MessageAnswer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// The answer a box gives when the operator closes it without choosing.
MessageAnswer escapeAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::Ok:
        break;
    }
    return MessageAnswer::Ok;
}

void prepare(QMessageBox& box, const Message& message)
{
    // The old program's boxes without a title showed the project's name.
    box.setWindowTitle(message.title.isEmpty() ? QCoreApplication::applicationName()
                                               : message.title);
    box.setText(message.text);
    box.setIcon(boxIcon(message.icon));
    box.setStandardButtons(boxButtons(message.buttons));
    box.setDefaultButton(standardButton(defaultAnswerOf(message)));
    box.setEscapeButton(box.button(standardButton(escapeAnswer(message.buttons))));
}

} // namespace

MessageAnswer defaultAnswerOf(const Message& message)
{
    if (message.defaultAnswer)
        return *message.defaultAnswer;
    // Otherwise Enter takes the first button of the set, as it always did.
    const bool asks =
        message.buttons == MessageButtons::YesNo || message.buttons == MessageButtons::YesNoCancel;
    return asks ? MessageAnswer::Yes : MessageAnswer::Ok;
}

MessageAnswer QtOperator::message(QWidget* parent, const Message& message)
{
    // On the heap: the box is the parent's child, and a parent that goes away
    // while the operator reads (the link failed, the window closed) takes the
    // box with it. A box on the stack would then be destroyed twice.
    const QPointer<QMessageBox> box = new OverParent<QMessageBox>(parent);
    prepare(*box, message);
    const int clicked = box->exec();
    if (!box)
        return escapeAnswer(message.buttons);
    delete box;
    switch (clicked) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return escapeAnswer(message.buttons);
    }
}

void QtOperator::beep()
{
    QApplication::beep();
}

namespace {

// "Text files (*.txt)|*.txt| All Files (*.*)|*.*" in the form QFileDialog reads.
QStringList nameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1).trimmed();
        patterns.replace(u';', u' ');
        QString description = parts.at(i);
        // A Windows "*.*" means every file; elsewhere it would hide names without a dot.
#ifndef Q_OS_WIN
        if (patterns == QLatin1String("*.*")) {
            patterns = QStringLiteral("*");
            description.replace(QLatin1String("(*.*)"), QLatin1String("(*)"));
        }
#endif
        if (!description.contains(u'('))
            description += QStringLiteral(" (%1)").arg(patterns);
        filters.append(description);
    }
    return filters;
}

} // namespace

std::optional<QString> QtOperator::chooseFile(QWidget* parent, const FileDialog& request)
{
    // On the heap and watched, for the same reason as the message boxes.
    const QPointer<QFileDialog> dialog = new OverParent<QFileDialog>(parent, request.title);
    dialog->setObjectName(request.objectName);
    dialog->setNameFilters(nameFilters(request.filter));
    if (request.kind == FileDialog::Kind::Save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        // The window asks its own replace question.
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    if (!request.fileName.isEmpty())
        dialog->selectFile(request.fileName);
    const int result = dialog->exec();
    if (!dialog)
        return std::nullopt;
    std::optional<QString> chosen;
    if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().constFirst();
    delete dialog.data();
    return chosen;
}

bool QtOperator::choosePrinter(QWidget* parent, QPrinter& printer, const PrintDialog& request)
{
    const QPointer<QPrintDialog> dialog = new OverParent<QPrintDialog>(&printer, parent);
    dialog->setObjectName(request.objectName);
    // Printing to a file stays offered: it is how a listing becomes a PDF.
    dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    dialog->setMinMax(request.minPage, request.maxPage);
    const int result = dialog->exec();
    if (!dialog)
        return false;
    delete dialog.data();
    return result == QDialog::Accepted;
}

namespace {

class BoxNotice : public Notice {
public:
    explicit BoxNotice(QMessageBox* box) : m_box(box) {}
    ~BoxNotice() override
    {
        if (m_box)
            m_box->close();
    }

private:
    QPointer<QMessageBox> m_box;
};

} // namespace

std::unique_ptr<Notice> QtOperator::notice(QWidget* parent, const Message& message)
{
    // Not modal: the operator may act on what it says (View, Ports...) while it shows.
    auto* box = new OverParent<QMessageBox>(parent);
    prepare(*box, message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return std::make_unique<BoxNotice>(box);
}

} // namespace kvt
