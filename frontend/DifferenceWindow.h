#pragma once

#include "transfer/ProgramComparison.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace kvt {

// frmverify: the editor's program and the controller's side by side, line
// by line, after a Verify that found them different. Every differing row
// says so in words, so a screen reader reads what the colour shows. It only
// shows: the editor keeps its text.
class DifferenceWindow : public QDialog {
    Q_OBJECT
public:
    DifferenceWindow(const program::ProgramComparison& comparison, QWidget* parent);

    // Selects the next differing row; after the last, the first again.
    void nextDifference();
    int currentRow() const;

private:
    void select(int row);

    program::ProgramComparison m_comparison;
    QLabel* m_summary = nullptr;
    QTableWidget* m_differences = nullptr;
    QPushButton* m_nextButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};

} // namespace kvt
