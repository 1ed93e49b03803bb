#pragma once

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace kvt {

class Operator;
class TrafficLog;
class TrafficModel;

// The traffic log of one window's port, as it happens: every command with
// what sent it and every reply, with their times. The view draws only the
// lines on screen and catches up with the log on a timer of its own, so
// however much the line carries, showing it never holds the line up.
class TrafficLogWindow : public QWidget {
    Q_OBJECT
public:
    TrafficLogWindow(TrafficLog& log, Operator& op, QWidget* parent);

    // Newer entries are shown at the latest by the next refresh.
    void refresh();
    // Every line of the log as it would be saved.
    QString shownText() const;

private:
    void findNext();
    void copySelection();
    void save();

    TrafficLog& m_log;
    Operator& m_operator;
    TrafficModel* m_model = nullptr;
    QTimer m_refresh;

    QLabel* lbldropped = nullptr;
    QListView* lstlog = nullptr;
    QLineEdit* txtfind = nullptr;
    QCheckBox* chkhex = nullptr;
    QPushButton* cmdclear = nullptr;
    QPushButton* cmdsave = nullptr;
};

} // namespace kvt
