#include "DifferenceWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kvt {

namespace {
enum Column { Mark, Line, Editor, Controller, Columns };
const QString nothing = QStringLiteral("(nothing)");
const QColor differingBack(255, 214, 214);

QString differences(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 difference")
                      : QStringLiteral("%1 differences").arg(count);
}
} // namespace

DifferenceWindow::DifferenceWindow(const program::ProgramComparison& comparison, QWidget* parent)
    : QDialog(parent), m_comparison(comparison)
{
    setObjectName(QStringLiteral("frmverify"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The operator reads it before going on, but nothing waits for it.
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Verify: %1").arg(differences(m_comparison.differing.size())));

    const int firstLine = m_comparison.differing.isEmpty()
                              ? 0
                              : m_comparison.rows[m_comparison.differing.first()].line;
    lblsummary = new QLabel(
        QStringLiteral("The controller holds another program than the editor: %1, the first in "
                       "line %2. The editor keeps its text.")
            .arg(differences(m_comparison.differing.size()))
            .arg(firstLine));
    lblsummary->setObjectName(QStringLiteral("lblsummary"));
    lblsummary->setWordWrap(true);

    grdverify = new QTableWidget(int(m_comparison.rows.size()), Columns);
    grdverify->setObjectName(QStringLiteral("grdverify"));
    grdverify->setAccessibleName(QStringLiteral("Editor and controller, line by line"));
    grdverify->setAccessibleDescription(
        QStringLiteral("Rows marked differs hold another command in the controller than in the "
                       "editor"));
    grdverify->setHorizontalHeaderLabels({QStringLiteral("Differs"), QStringLiteral("Line"),
                                          QStringLiteral("Editor"), QStringLiteral("Controller")});
    grdverify->verticalHeader()->hide();
    grdverify->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdverify->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdverify->setSelectionMode(QAbstractItemView::SingleSelection);
    grdverify->setTabKeyNavigation(false);
    grdverify->setWordWrap(false);
    for (int r = 0; r < m_comparison.rows.size(); ++r) {
        const program::ProgramComparison::Row& row = m_comparison.rows[r];
        const QStringList cells{row.differs() ? QStringLiteral("differs") : QString(),
                                QString::number(row.line), row.editor.value_or(nothing),
                                row.controller.value_or(nothing)};
        for (int c = 0; c < Columns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (row.differs())
                item->setBackground(differingBack);
            grdverify->setItem(r, c, item);
        }
    }
    grdverify->resizeColumnsToContents();
    grdverify->horizontalHeader()->setSectionResizeMode(Editor, QHeaderView::Stretch);
    grdverify->horizontalHeader()->setSectionResizeMode(Controller, QHeaderView::Stretch);

    cmdnext = new QPushButton(QStringLiteral("&Next difference"));
    cmdnext->setObjectName(QStringLiteral("cmdnext"));
    cmdnext->setAutoDefault(false);
    cmdnext->setToolTip(QStringLiteral("F3"));
    cmdclose = new QPushButton(QStringLiteral("Close"));
    cmdclose->setObjectName(QStringLiteral("cmdclose"));
    cmdclose->setDefault(true);
    connect(cmdnext, &QPushButton::clicked, this, &DifferenceWindow::nextDifference);
    connect(cmdclose, &QPushButton::clicked, this, &QDialog::accept);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this,
            &DifferenceWindow::nextDifference);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdnext);
    buttons->addStretch(1);
    buttons->addWidget(cmdclose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblsummary);
    layout->addWidget(grdverify, 1);
    layout->addLayout(buttons);
    resize(640, 440);

    if (!m_comparison.differing.isEmpty())
        select(m_comparison.differing.first());
    grdverify->setFocus();
}

int DifferenceWindow::currentRow() const
{
    return grdverify->currentRow();
}

void DifferenceWindow::nextDifference()
{
    if (m_comparison.differing.isEmpty())
        return;
    const int current = currentRow();
    auto next =
        std::upper_bound(m_comparison.differing.cbegin(), m_comparison.differing.cend(), current);
    select(next == m_comparison.differing.cend() ? m_comparison.differing.first() : *next);
}

void DifferenceWindow::select(int row)
{
    grdverify->setCurrentCell(row, Mark);
    grdverify->scrollToItem(grdverify->item(row, Mark), QAbstractItemView::PositionAtCenter);
    grdverify->setFocus();
}

} // namespace kvt
