#include "TrafficLogWindow.h"

#include "link/TrafficLog.h"
#include "shell/Operator.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace kvt {

namespace {
// Often enough to follow the line by eye, rarely enough to cost nothing.
constexpr int refreshMs = 100;
} // namespace

TrafficLogWindow::TrafficLogWindow(TrafficLog& log, Operator& op, QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(log), m_operator(op)
{
    setObjectName(QStringLiteral("frmtraffic"));
    setWindowTitle(QStringLiteral("Traffic Log"));
    setAttribute(Qt::WA_QuitOnClose, false);

    txtlog = new QPlainTextEdit;
    txtlog->setObjectName(QStringLiteral("txtlog"));
    txtlog->setAccessibleName(QStringLiteral("Traffic"));
    txtlog->setReadOnly(true);
    txtlog->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtlog->setMaximumBlockCount(int(m_log.limit()));
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    txtlog->setFont(fixed);

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
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(txtlog, 1);
    resize(720, 420);

    connect(txtfind, &QLineEdit::returnPressed, this, &TrafficLogWindow::findNext);
    connect(chkhex, &QCheckBox::toggled, this, &TrafficLogWindow::rebuild);
    connect(cmdclear, &QPushButton::clicked, &m_log, &TrafficLog::clear);
    connect(cmdsave, &QPushButton::clicked, this, &TrafficLogWindow::save);
    connect(&m_log, &TrafficLog::cleared, this, &TrafficLogWindow::rebuild);
    connect(&m_refresh, &QTimer::timeout, this, &TrafficLogWindow::refresh);
    m_refresh.start(refreshMs);
    rebuild();
}

QString TrafficLogWindow::shownText() const
{
    return txtlog->toPlainText();
}

void TrafficLogWindow::rebuild()
{
    txtlog->clear();
    m_shownUpTo = 0;
    m_lastShownSize = 0;
    refresh();
}

void TrafficLogWindow::refresh()
{
    const std::deque<TrafficLog::Entry>& entries = m_log.entries();
    if (entries.empty())
        return;
    const quint64 first = entries.front().number;
    qsizetype from = m_shownUpTo < first ? 0 : qsizetype(m_shownUpTo - first) + 1;
    // The command shown last may have gone on since: it is shown anew.
    if (from > 0 && entries[std::size_t(from - 1)].bytes.size() != m_lastShownSize) {
        --from;
        QTextCursor last(txtlog->document());
        last.movePosition(QTextCursor::End);
        last.select(QTextCursor::BlockUnderCursor);
        last.removeSelectedText();
    }
    if (from >= qsizetype(entries.size()))
        return;
    QScrollBar* bar = txtlog->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    const bool hex = chkhex->isChecked();
    QStringList lines;
    for (auto it = entries.cbegin() + from; it != entries.cend(); ++it)
        lines << TrafficLog::line(*it, hex);
    txtlog->appendPlainText(lines.join(u'\n'));
    m_shownUpTo = entries.back().number;
    m_lastShownSize = entries.back().bytes.size();
    if (following)
        bar->setValue(bar->maximum());
}

void TrafficLogWindow::findNext()
{
    const QString text = txtfind->text();
    if (text.isEmpty())
        return;
    // From the top again once the last match has passed.
    if (!txtlog->find(text)) {
        txtlog->moveCursor(QTextCursor::Start);
        txtlog->find(text);
    }
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
