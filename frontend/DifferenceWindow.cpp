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
    m_summary = new QLabel(
        QStringLiteral("The controller holds another program than the editor: %1, the first in "
                       "line %2. The editor keeps its text.")
            .arg(differences(m_comparison.differing.size()))
            .arg(firstLine));
    m_summary->setObjectName(QStringLiteral("lblsummary"));
    m_summary->setWordWrap(true);

    m_differences = new QTableWidget(int(m_comparison.rows.size()), Columns);
    m_differences->setObjectName(QStringLiteral("grdverify"));
    m_differences->setAccessibleName(QStringLiteral("Editor and controller, line by line"));
    m_differences->setAccessibleDescription(
        QStringLiteral("Rows marked differs hold another command in the controller than in the "
                       "editor"));
    m_differences->setHorizontalHeaderLabels({QStringLiteral("Differs"), QStringLiteral("Line"),
                                              QStringLiteral("Editor"),
                                              QStringLiteral("Controller")});
    m_differences->verticalHeader()->hide();
    m_differences->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_differences->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_differences->setSelectionMode(QAbstractItemView::SingleSelection);
    m_differences->setTabKeyNavigation(false);
    m_differences->setWordWrap(false);
    for (int r = 0; r < m_comparison.rows.size(); ++r) {
        const program::ProgramComparison::Row& row = m_comparison.rows[r];
        const QStringList cells{row.differs() ? QStringLiteral("differs") : QString(),
                                QString::number(row.line), row.editor.value_or(nothing),
                                row.controller.value_or(nothing)};
        for (int c = 0; c < Columns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (row.differs())
                item->setBackground(differingBack);
            m_differences->setItem(r, c, item);
        }
    }
    m_differences->resizeColumnsToContents();
    m_differences->horizontalHeader()->setSectionResizeMode(Editor, QHeaderView::Stretch);
    m_differences->horizontalHeader()->setSectionResizeMode(Controller, QHeaderView::Stretch);

    m_nextButton = new QPushButton(QStringLiteral("&Next difference"));
    m_nextButton->setObjectName(QStringLiteral("cmdnext"));
    m_nextButton->setAutoDefault(false);
    m_nextButton->setToolTip(QStringLiteral("F3"));
    m_closeButton = new QPushButton(QStringLiteral("Close"));
    m_closeButton->setObjectName(QStringLiteral("cmdclose"));
    m_closeButton->setDefault(true);
    connect(m_nextButton, &QPushButton::clicked, this, &DifferenceWindow::nextDifference);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this,
            &DifferenceWindow::nextDifference);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_nextButton);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_differences, 1);
    layout->addLayout(buttons);
    resize(640, 440);

    if (!m_comparison.differing.isEmpty())
        select(m_comparison.differing.first());
    m_differences->setFocus();
}

int DifferenceWindow::currentRow() const
{
    return m_differences->currentRow();
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
    m_differences->setCurrentCell(row, Mark);
    m_differences->scrollToItem(m_differences->item(row, Mark),
                                QAbstractItemView::PositionAtCenter);
    m_differences->setFocus();
}

} // namespace kvt
