#include "TrafficLogWindow.h"

#include "link/TrafficLog.h"
#include "shell/Operator.h"

#include <QAbstractListModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kvt {

namespace {
// Often enough to follow the line by eye, rarely enough to cost nothing.
constexpr int refreshMs = 200;
// An entry longer than this is cut on screen; copy and save keep it whole.
constexpr qsizetype shownBytes = 64;
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
        return TrafficLog::line(m_log.entries()[std::size_t(index.row())], m_hex, shownBytes);
    }

    QString lineAt(int row) const
    {
        return TrafficLog::line(m_log.entries()[std::size_t(row)], m_hex);
    }

    void setHex(bool hex)
    {
        beginResetModel();
        m_hex = hex;
        endResetModel();
    }

    void sync()
    {
        const std::deque<TrafficLog::Entry>& entries = m_log.entries();
        if (entries.empty() || (m_count > 0 && entries.front().number < m_first)) {
            if (m_count > 0) {
                beginResetModel();
                m_count = 0;
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
        if (m_count > 0 && lastSize != m_lastSize)
            Q_EMIT dataChanged(index(int(m_count) - 1), index(int(m_count) - 1));
        m_lastSize = entries.back().bytes.size();
        if (size > m_count) {
            beginInsertRows({}, int(m_count), int(size) - 1);
            m_count = size;
            endInsertRows();
        }
    }

private:
    TrafficLog& m_log;
    quint64 m_first = 0;
    qsizetype m_count = 0;
    qsizetype m_lastSize = 0; // of the last row when it was last shown
    bool m_hex = false;
};

TrafficLogWindow::TrafficLogWindow(TrafficLog& log, Operator& op, QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(log), m_operator(op)
{
    setObjectName(QStringLiteral("frmtraffic"));
    setWindowTitle(QStringLiteral("Traffic Log"));
    setAttribute(Qt::WA_QuitOnClose, false);

    m_model = new TrafficModel(m_log, this);
    lstlog = new QListView;
    lstlog->setObjectName(QStringLiteral("lstlog"));
    lstlog->setAccessibleName(QStringLiteral("Traffic"));
    lstlog->setModel(m_model);
    lstlog->setUniformItemSizes(true);
    // Eliding would shape every line in full at every repaint; the view clips.
    lstlog->setTextElideMode(Qt::ElideNone);
    lstlog->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstlog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    lstlog->setFont(fixed);
    auto* copy = new QAction(lstlog);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    lstlog->addAction(copy);
    connect(copy, &QAction::triggered, this, &TrafficLogWindow::copySelection);

    auto* findLabel = new QLabel(QStringLiteral("&Find:"));
    txtfind = new QLineEdit;
    txtfind->setObjectName(QStringLiteral("txtfind"));
    findLabel->setBuddy(txtfind);
    chkhex = new QCheckBox(QStringLiteral("&Hex"));
    chkhex->setObjectName(QStringLiteral("chkhex"));
    cmdclear = new QPushButton(QStringLiteral("&Clear"));
    cmdclear->setObjectName(QStringLiteral("cmdclear"));
    cmdsave = new QPushButton(QStringLiteral("&Save..."));
    cmdsave->setObjectName(QStringLiteral("cmdsave"));

    auto* tools = new QHBoxLayout;
    tools->addWidget(findLabel);
    tools->addWidget(txtfind, 1);
    tools->addWidget(chkhex);
    tools->addWidget(cmdclear);
    tools->addWidget(cmdsave);
    // Whoever reads the log must know its start is not the start of the run.
    lbldropped = new QLabel;
    lbldropped->setObjectName(QStringLiteral("lbldropped"));
    lbldropped->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(lbldropped);
    layout->addWidget(lstlog, 1);
    resize(720, 420);

    connect(txtfind, &QLineEdit::returnPressed, this, &TrafficLogWindow::findNext);
    connect(chkhex, &QCheckBox::toggled, m_model, &TrafficModel::setHex);
    connect(cmdclear, &QPushButton::clicked, &m_log, &TrafficLog::clear);
    connect(cmdsave, &QPushButton::clicked, this, &TrafficLogWindow::save);
    connect(&m_log, &TrafficLog::cleared, this, &TrafficLogWindow::refresh);
    connect(&m_refresh, &QTimer::timeout, this, &TrafficLogWindow::refresh);
    m_refresh.start(refreshMs);
    refresh();
}

void TrafficLogWindow::refresh()
{
    QScrollBar* bar = lstlog->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    m_model->sync();
    const quint64 dropped = m_log.droppedEntries();
    lbldropped->setVisible(dropped > 0);
    if (dropped > 0)
        lbldropped->setText(
            QStringLiteral("%1 older entries (%2 bytes) were dropped to keep the log within its "
                           "limits.")
                .arg(dropped)
                .arg(m_log.droppedBytes()));
    if (following)
        lstlog->scrollToBottom();
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
    const QString text = txtfind->text();
    const int rows = m_model->rowCount();
    if (text.isEmpty() || rows == 0)
        return;
    // From the line after the current one, round to the top again.
    const int start = lstlog->currentIndex().isValid() ? lstlog->currentIndex().row() + 1 : 0;
    for (int i = 0; i < rows; ++i) {
        const int row = (start + i) % rows;
        if (m_model->lineAt(row).contains(text, Qt::CaseInsensitive)) {
            lstlog->setCurrentIndex(m_model->index(row));
            lstlog->scrollTo(m_model->index(row));
            return;
        }
    }
}

void TrafficLogWindow::copySelection()
{
    QModelIndexList rows = lstlog->selectionModel()->selectedRows();
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
