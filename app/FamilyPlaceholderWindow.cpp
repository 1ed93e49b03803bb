#include "FamilyPlaceholderWindow.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>

namespace kvt {

FamilyPlaceholderWindow::FamilyPlaceholderWindow(const QString& objectName, const QString& caption,
                                                 const QString& family, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);

    mnuexit = menuBar()->addAction(tr("E&xit"));
    mnuexit->setObjectName(QStringLiteral("mnuexit"));
    connect(mnuexit, &QAction::triggered, this, &QWidget::close);

    lblplaceholder = new QLabel(
        tr("The window for the %1 controllers arrives in a later version of this program.")
            .arg(family),
        this);
    lblplaceholder->setObjectName(QStringLiteral("lblplaceholder"));
    lblplaceholder->setWordWrap(true);
    lblplaceholder->setAlignment(Qt::AlignCenter);
    lblplaceholder->setMargin(24);
    setCentralWidget(lblplaceholder);
    resize(480, 200);
}

} // namespace kvt
