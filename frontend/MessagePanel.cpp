#include "MessagePanel.h"

#include "EditorPanel.h"
#include "PanelLook.h"
#include "ReplyDisplay.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kvt {

MessagePanel::MessagePanel(ReplyDisplay* lblresponse, QWidget* parent)
    : QGroupBox(QStringLiteral("MONITOR"), parent)
{
    setObjectName(QStringLiteral("framoni"));
    look::paint(this, look::monitorBack, look::black);
    Label4 = new QLabel(QStringLiteral("MESSAGE  :-"));
    Label4->setObjectName(QStringLiteral("Label4"));
    look::paint(lblresponse, look::inactiveBack, look::black);
    lblresponse->setMinimumWidth(280);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label4);
    layout->addWidget(lblresponse, 1);
}

QWidget* MessagePanel::besideEditor(EditorPanel* fraeditor, ReplyDisplay* lblresponse)
{
    auto* area = new QWidget;
    auto* layout = new QHBoxLayout(area);
    layout->addWidget(fraeditor, 1);
    layout->addWidget(new MessagePanel(lblresponse), 1);
    return area;
}

} // namespace kvt
