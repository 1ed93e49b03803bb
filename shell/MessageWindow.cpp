#include "MessageWindow.h"

#include "Module1.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kvt {

MessageWindow::MessageWindow(QWidget* parent) : QWidget(parent, Qt::Window)
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
    QFont serif = lblmessage->font();
    serif.setFamily(QStringLiteral("Serif"));
    serif.setStyleHint(QFont::Serif);
    lblmessage->setFont(serif);

    cmdcancel = new QPushButton(tr("Cancel"), this);
    cmdcancel->setObjectName(QStringLiteral("cmdcancel"));
    connect(cmdcancel, &QPushButton::clicked, this, &MessageWindow::cmdcancel_Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblmessage, 1);
    layout->addWidget(cmdcancel, 0, Qt::AlignHCenter);
}

MessageWindow* MessageWindow::instance()
{
    if (!s_instance)
        s_instance = new MessageWindow;
    return s_instance;
}

void MessageWindow::unload()
{
    MessageWindow* window = s_instance;
    if (!window)
        return;
    s_instance = nullptr;
    window->m_unloading = true;
    window->close();
}

void MessageWindow::setMessage(const QString& text)
{
    // Steps to follow keep their lines and indents; a sentence wraps centred.
    const bool steps = text.trimmed().contains(u'\n');
    lblmessage->setWordWrap(!steps);
    lblmessage->setAlignment(steps ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    lblmessage->setText(text);
    adjustSize();
}

QString MessageWindow::message() const
{
    return lblmessage->text();
}

void MessageWindow::cmdcancel_Click()
{
    close();
}

void MessageWindow::closeEvent(QCloseEvent* event)
{
    // The close box stops the transfer just as Cancel does; leaving the
    // transfer running with no window to stop it was never wanted.
    if (!m_unloading) {
        m_unloading = true;
        if (s_instance == this)
            s_instance = nullptr;
        Module1::UploadActive = False;
        Module1::DownloadActive = False;
        Module1::TransferAborted = True;
        Q_EMIT cancelled();
    }
    event->accept();
}

} // namespace kvt
