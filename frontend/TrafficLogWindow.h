#pragma once

#include <QDialog>
#include <QTimer>

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
// however much the line carries, showing it never holds the line up. It
// follows the newest entry until the operator scrolls away from the end.
// A window beside its owner, not a dialog over it; Escape closes it.
class TrafficLogWindow : public QDialog {
    Q_OBJECT
public:
    TrafficLogWindow(TrafficLog& log, Operator& op, QWidget* parent);

    // Newer entries are shown at the latest by the next refresh.
    void refresh();
    // Every line of the log as it would be saved.
    QString shownText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void findNext();
    void copySelection();
    void save();

    TrafficLog& m_log;
    Operator& m_operator;
    TrafficModel* m_model = nullptr;
    QTimer m_refresh;
    bool m_following = true;
    bool m_placed = false;

    QLabel* m_droppedLabel = nullptr;
    QListView* m_entries = nullptr;
    QLineEdit* m_findBox = nullptr;
    QCheckBox* m_hexBox = nullptr;
    QPushButton* m_clearButton = nullptr;
    QPushButton* m_saveButton = nullptr;
};

} // namespace kvt
