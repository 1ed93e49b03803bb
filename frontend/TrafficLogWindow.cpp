#include "TrafficLogWindow.h"

#include "link/TrafficLog.h"
#include "shell/Operator.h"
#include "shell/WindowPlacement.h"

#include <QAbstractListModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace kvt {

namespace {
// Often enough to follow the line by eye, rarely enough to cost nothing.
constexpr int refreshMs = 200;
// An entry longer than this is cut on screen; copy and save keep it whole.
constexpr qsizetype shownBytes = 64;

// An entry as the window shows it and a screen reader reads it. The log's
// own lines (saved, copied, written to --log files) name direction and
// source, which for input reads "recv  received"; one word in the same
// width says it here.
QString shownLine(const TrafficLog::Entry& entry, bool hex)
{
    QString line = TrafficLog::line(entry, hex, shownBytes);
    if (entry.direction == TrafficLog::Direction::Received) {
        static const QString both = QStringLiteral(" ms  recv  received  ");
        static const QString one = QStringLiteral(" ms  received        ");
        if (const qsizetype at = line.indexOf(both); at >= 0)
            line.replace(at, both.size(), one);
    }
    return line;
}
} // namespace

// The log's entries as rows, kept in step with the log by sync().
class TrafficModel : public QAbstractListModel {
public:
    explicit TrafficModel(TrafficLog& log, QObject* parent) : QAbstractListModel(parent), m_log(log)
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_count);
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
            return {};
        return shownLine(entryAt(index.row()), m_hex);
    }

    // Characters in the longest line shown since the last clear.
    qsizetype widestLine() const { return m_widest; }

    QString lineAt(int row) const
    {
        return TrafficLog::line(m_log.entries()[std::size_t(row)], m_hex);
    }

    void setHex(bool hex)
    {
        beginResetModel();
        m_hex = hex;
        m_widest = 0;
        measure(0);
        endResetModel();
    }

    void sync()
    {
        const std::deque<TrafficLog::Entry>& entries = m_log.entries();
        if (entries.empty() || (m_count > 0 && entries.front().number < m_first)) {
            if (m_count > 0) {
                beginResetModel();
                m_count = 0;
                m_widest = 0;
                endResetModel();
            }
            if (entries.empty())
                return;
        }
        if (m_count == 0)
            m_first = entries.front().number;
        if (const quint64 dropped = qMin<quint64>(entries.front().number - m_first, m_count)) {
            beginRemoveRows({}, 0, int(dropped) - 1);
            m_first += dropped;
            m_count -= qsizetype(dropped);
            endRemoveRows();
        }
        const auto size = qsizetype(entries.size());
        // The command shown last may have gone on since.
        const qsizetype lastSize = m_count > 0 ? entries[std::size_t(m_count - 1)].bytes.size() : 0;
        if (m_count > 0 && lastSize != m_lastSize) {
            measure(m_count - 1);
            Q_EMIT dataChanged(index(int(m_count) - 1), index(int(m_count) - 1));
        }
        m_lastSize = entries.back().bytes.size();
        if (size > m_count) {
            const qsizetype firstNew = m_count;
            beginInsertRows({}, int(m_count), int(size) - 1);
            m_count = size;
            measure(firstNew);
            endInsertRows();
        }
    }

private:
    const TrafficLog::Entry& entryAt(qsizetype row) const
    {
        return m_log.entries()[std::size_t(row)];
    }

    // Lines are cut for the screen, so each costs little to measure, once.
    void measure(qsizetype fromRow)
    {
        for (qsizetype row = fromRow; row < m_count; ++row)
            m_widest = qMax(m_widest, shownLine(entryAt(row), m_hex).size());
    }

    TrafficLog& m_log;
    quint64 m_first = 0;
    qsizetype m_count = 0;
    qsizetype m_lastSize = 0; // of the last row when it was last shown
    bool m_hex = false;
    qsizetype m_widest = 0;
};

namespace {

// Every row of the view is as wide as the widest line, so a long entry can be
// scrolled to; the view asks one row only, which keeps it fast with a full log.
class LogLineDelegate : public QStyledItemDelegate {
public:
    LogLineDelegate(const TrafficModel& model, QObject* parent)
        : QStyledItemDelegate(parent), m_model(model)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const qsizetype missing = m_model.widestLine() - index.data().toString().size();
        if (missing > 0)
            size.rwidth() += int(missing) * option.fontMetrics.horizontalAdvance(u'0');
        return size;
    }

private:
    const TrafficModel& m_model;
};

} // namespace

TrafficLogWindow::TrafficLogWindow(TrafficLog& log, Operator& op, QWidget* parent)
    : QDialog(parent, Qt::Window), m_log(log), m_operator(op)
{
    setObjectName(QStringLiteral("frmtraffic"));
    setWindowTitle(QStringLiteral("Traffic Log"));
    setAttribute(Qt::WA_QuitOnClose, false);

    m_model = new TrafficModel(m_log, this);
    m_entries = new QListView;
    m_entries->setObjectName(QStringLiteral("lstlog"));
    m_entries->setAccessibleName(QStringLiteral("Traffic"));
    m_entries->setModel(m_model);
    m_entries->setItemDelegate(new LogLineDelegate(*m_model, m_entries));
    m_entries->setUniformItemSizes(true);
    m_entries->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Eliding would shape every line in full at every repaint; the view clips.
    m_entries->setTextElideMode(Qt::ElideNone);
    m_entries->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_entries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The columns line up only in a fixed pitch: the desktop's own, at the program's size.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font().pointSizeF() > 0)
        fixed.setPointSizeF(font().pointSizeF());
    m_entries->setFont(fixed);
    auto* copy = new QAction(m_entries);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    m_entries->addAction(copy);
    connect(copy, &QAction::triggered, this, &TrafficLogWindow::copySelection);

    auto* findLabel = new QLabel(QStringLiteral("&Find:"));
    m_findBox = new QLineEdit;
    m_findBox->setObjectName(QStringLiteral("txtfind"));
    findLabel->setBuddy(m_findBox);
    m_hexBox = new QCheckBox(QStringLiteral("&Hex"));
    m_hexBox->setObjectName(QStringLiteral("chkhex"));
    m_clearButton = new QPushButton(QStringLiteral("&Clear"));
    m_clearButton->setObjectName(QStringLiteral("cmdclear"));
    m_saveButton = new QPushButton(QStringLiteral("&Save..."));
    m_saveButton->setObjectName(QStringLiteral("cmdsave"));

    auto* tools = new QHBoxLayout;
    tools->addWidget(findLabel);
    tools->addWidget(m_findBox, 1);
    tools->addWidget(m_hexBox);
    tools->addWidget(m_clearButton);
    tools->addWidget(m_saveButton);
    // Whoever reads the log must know its start is not the start of the run.
    m_droppedLabel = new QLabel;
    m_droppedLabel->setObjectName(QStringLiteral("lbldropped"));
    m_droppedLabel->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(m_droppedLabel);
    layout->addWidget(m_entries, 1);
    resize(720, 420);

    connect(m_findBox, &QLineEdit::returnPressed, this, &TrafficLogWindow::findNext);
    connect(m_hexBox, &QCheckBox::toggled, m_model, &TrafficModel::setHex);
    connect(m_clearButton, &QPushButton::clicked, &m_log, &TrafficLog::clear);
    connect(m_saveButton, &QPushButton::clicked, this, &TrafficLogWindow::save);
    connect(&m_log, &TrafficLog::cleared, this, &TrafficLogWindow::refresh);
    connect(&m_refresh, &QTimer::timeout, this, &TrafficLogWindow::refresh);
    // Whatever moves the view (the operator, new rows, a resize, a scroll bar
    // that appears) leaves it following exactly when it ends at the newest row.
    QScrollBar* bar = m_entries->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { m_following = value == bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_following)
            bar->setValue(maximum);
    });
    m_refresh.start(refreshMs);
    refresh();
}

void TrafficLogWindow::refresh()
{
    const bool following = m_following;
    m_model->sync();
    const quint64 dropped = m_log.droppedEntries();
    m_droppedLabel->setVisible(dropped > 0);
    if (dropped > 0)
        m_droppedLabel->setText(
            QStringLiteral("%1 older entries (%2 bytes) were dropped to keep the log within its "
                           "limits.")
                .arg(dropped)
                .arg(m_log.droppedBytes()));
    if (following)
        m_entries->scrollToBottom();
}

void TrafficLogWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Beside the window it logs the first time; where the operator put it after that.
    if (!std::exchange(m_placed, true))
        placeBesideOf(*this, parentWidget());
}

QString TrafficLogWindow::shownText() const
{
    QStringList lines;
    for (int row = 0; row < m_model->rowCount(); ++row)
        lines << m_model->lineAt(row);
    return lines.join(u'\n');
}

void TrafficLogWindow::findNext()
{
    const QString text = m_findBox->text();
    const int rows = m_model->rowCount();
    if (text.isEmpty() || rows == 0)
        return;
    // From the line after the current one, round to the top again.
    const int start = m_entries->currentIndex().isValid() ? m_entries->currentIndex().row() + 1 : 0;
    for (int i = 0; i < rows; ++i) {
        const int row = (start + i) % rows;
        if (m_model->lineAt(row).contains(text, Qt::CaseInsensitive)) {
            m_entries->setCurrentIndex(m_model->index(row));
            m_entries->scrollTo(m_model->index(row));
            return;
        }
    }
}

void TrafficLogWindow::copySelection()
{
    QModelIndexList rows = m_entries->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const QModelIndex& index : std::as_const(rows))
        lines << m_model->lineAt(index.row());
    QApplication::clipboard()->setText(lines.join(u'\n'));
}

void TrafficLogWindow::save()
{
    const std::optional<QString> path =
        m_operator.chooseFile(this, {FileDialog::Kind::Save, QStringLiteral("Save the traffic log"),
                                     QStringLiteral("Log files (*.log)|*.log|All Files (*.*)|*.*"),
                                     QStringLiteral("traffic.log"), QStringLiteral("dlgtraffic")});
    if (!path)
        return;
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
        file.write(shownText().toUtf8() + '\n') < 0 || !file.commit())
        m_operator.message(this, {QStringLiteral("The traffic log could not be saved to %1: %2")
                                      .arg(*path, file.errorString()),
                                  QStringLiteral("Traffic Log"), MessageIcon::Exclamation,
                                  MessageButtons::Ok});
}

} // namespace kvt
