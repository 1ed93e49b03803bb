#include "EditorPanel.h"

#include "FrameClicks.h"
#include "KeyboardHandover.h"
#include "PanelLook.h"
#include "UnsentTextHighlighter.h"
#include "editor/EditorController.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QPlainTextEdit>

namespace kvt {

EditorPanel::EditorPanel(const EditorProfile& profile, Operator& op, QWidget* parent)
    : QGroupBox(profile.designCaption, parent)
{
    setObjectName(QStringLiteral("fraeditor"));
    m_textEdit = new QPlainTextEdit(this);
    m_textEdit->setObjectName(QStringLiteral("txteditor"));
    m_textEdit->setAccessibleName(QStringLiteral("Program"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(m_textEdit, 1);
    m_editor = new EditorController(profile, op, m_textEdit, this, this);
    new UnsentTextHighlighter(m_textEdit);
    FrameClicks::watch(this, [this] { Q_EMIT activationRequested(); });
}

void EditorPanel::addBeside(QWidget* widget)
{
    static_cast<QHBoxLayout*>(layout())->insertWidget(0, widget);
}

void EditorPanel::fillMenus(QMenu* file, QMenu* edit, EditMenuNames names)
{
    m_fileMenu = file;
    if (names.activate) {
        QAction* activateItem = edit->addAction(QStringLiteral("Activate"));
        activateItem->setObjectName(QLatin1String(names.activate));
        connect(activateItem, &QAction::triggered, this, [this] {
            Q_EMIT activationRequested();
            KeyboardHandover::giveToFocusIn(this);
        });
    }
    m_items = EditorMenu::addTo(file, edit, m_editor->profile());
    m_editor->wireMenu(m_items);
    if (names.close) {
        m_closeItem = edit->addAction(QStringLiteral("Close"));
        m_closeItem->setObjectName(QLatin1String(names.close));
        connect(m_closeItem, &QAction::triggered, this, &EditorPanel::closePanel);
    }
}

QList<QAction*> EditorPanel::itemsThatFollow() const
{
    QList<QAction*> items = m_following;
    items << m_fileMenu->menuAction() << m_items.copyItem << m_items.cutItem;
    return items;
}

void EditorPanel::setActiveLook(bool active)
{
    look::paint(this, active ? look::editorFrame : look::inactiveBack,
                active ? look::black : look::inactiveText);
    look::paint(m_textEdit, active ? look::white : look::inactiveBack,
                active ? look::black : look::inactiveText);
}

void EditorPanel::greyOut()
{
    m_textEdit->setEnabled(false);
    setActiveLook(false);
    for (QAction* item : itemsThatFollow())
        item->setEnabled(false);
    m_items.pasteItem->setEnabled(false);
}

bool EditorPanel::isGreyedOut() const
{
    return look::background(this) == look::inactiveBack;
}

void EditorPanel::activate()
{
    setEnabled(true);
    show();
    m_textEdit->setEnabled(true);
    for (QAction* item : itemsThatFollow()) {
        item->setVisible(true);
        item->setEnabled(!m_itemsHeld);
    }
    m_items.pasteItem->setVisible(true);
    m_editor->resetPaste();
    m_items.pasteItem->setEnabled(false);
    if (m_closeItem)
        m_closeItem->setVisible(true);
    setActiveLook(true);
    m_textEdit->setFocus();
}

void EditorPanel::closePanel()
{
    setEnabled(false);
    hide();
    for (QAction* item : itemsThatFollow())
        item->setVisible(false);
    m_items.pasteItem->setVisible(false);
    if (m_closeItem)
        m_closeItem->setVisible(false);
}

} // namespace kvt
