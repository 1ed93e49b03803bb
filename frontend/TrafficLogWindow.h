#pragma once

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kvt {

class Operator;
class TrafficLog;

// The traffic log of one window's port, as it happens: every command with
// what sent it and every reply, with their times. It reads the log on a
// timer of its own, so however fast the line runs, showing it never holds
// the line up.
class TrafficLogWindow : public QWidget {
    Q_OBJECT
public:
    TrafficLogWindow(TrafficLog& log, Operator& op, QWidget* parent);

    // Newer entries are shown at the latest by the next refresh.
    void refresh();
    QString shownText() const;

private:
    void rebuild();
    void findNext();
    void save();

    TrafficLog& m_log;
    Operator& m_operator;
    QTimer m_refresh;
    quint64 m_shownUpTo = 0;
    qsizetype m_lastShownSize = 0; // the last entry may still grow

    QPlainTextEdit* txtlog = nullptr;
    QLineEdit* txtfind = nullptr;
    QCheckBox* chkhex = nullptr;
    QPushButton* cmdclear = nullptr;
    QPushButton* cmdsave = nullptr;
};

} // namespace kvt
