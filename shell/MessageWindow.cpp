#include "MessageWindow.h"

#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace kvt {

MessageWindow::MessageWindow(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmmessage"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A transfer's companion; it alone must not keep the program running.
    setAttribute(Qt::WA_QuitOnClose, false);

    lblmessage = new QLabel(this);
    lblmessage->setObjectName(QStringLiteral("lblmessage"));
    lblmessage->setWordWrap(true);
    lblmessage->setAlignment(Qt::AlignCenter);
    lblmessage->setMinimumWidth(260);

    cmdcancel = new QPushButton(tr("Cancel"), this);
    cmdcancel->setObjectName(QStringLiteral("cmdcancel"));
    // Enter does not stop the transfer: the instructions shown here tell the
    // operator to press <ENT> on the controller, and a PC's Enter pressed
    // out of the same habit must not end what they set up. Escape stops it.
    cmdcancel->setAutoDefault(false);
    connect(cmdcancel, &QPushButton::clicked, this, &MessageWindow::cancelClicked);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblmessage, 1);
    layout->addWidget(cmdcancel, 0, Qt::AlignHCenter);
}

void MessageWindow::unload()
{
    if (std::exchange(m_unloading, true))
        return;
    close();
}

void MessageWindow::setMessage(const QString& text)
{
    // Steps to follow keep their lines and indents; a sentence wraps centred.
    const bool steps = text.trimmed().contains(u'\n');
    lblmessage->setWordWrap(!steps);
    lblmessage->setAlignment(steps ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    lblmessage->setText(text);
    adjustSize();
    // A message that grew must not spill off its owner to one side.
    if (isVisible())
        placeCentredOver(*this, parentWidget());
}

QString MessageWindow::message() const
{
    return lblmessage->text();
}

void MessageWindow::cancelClicked()
{
    close();
}

void MessageWindow::reject()
{
    cancelClicked();
}

void MessageWindow::closeEvent(QCloseEvent* event)
{
    // The close box stops the transfer just as Cancel does; leaving the
    // transfer running with no window to stop it was never wanted.
    if (!m_unloading) {
        m_unloading = true;
        Q_EMIT cancelled();
    }
    event->accept();
}

void MessageWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    placeCentredOver(*this, parentWidget());
}

void MessageWindow::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // An owner locked for the transfer locks its child windows with it, but
    // this one holds the only way to stop that transfer.
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        setEnabled(true);
}

} // namespace kvt
