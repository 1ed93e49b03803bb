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

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("lblmessage"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setMinimumWidth(260);

    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cmdcancel"));
    // Enter does not stop the transfer: the instructions shown here tell the
    // operator to press <ENT> on the controller, and a PC's Enter pressed
    // out of the same habit must not end what they set up. Escape stops it.
    m_cancelButton->setAutoDefault(false);
    connect(m_cancelButton, &QPushButton::clicked, this, &MessageWindow::cancelClicked);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_message, 1);
    layout->addWidget(m_cancelButton, 0, Qt::AlignHCenter);
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
    m_message->setWordWrap(!steps);
    m_message->setAlignment(steps ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    m_message->setText(text);
    adjustSize();
    // A message that grew must not spill off its owner to one side.
    if (isVisible())
        placeCentredOver(*this, parentWidget());
}

QString MessageWindow::message() const
{
    return m_message->text();
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
