#pragma once

#include <QScrollBar>

namespace kvt {

// The small vertical scroll bar beside a number box. Its top end is its
// largest number, so the up arrow, the Up key, Page Up and the wheel all raise
// the number.
//
// QScrollBar keeps its minimum at the top whatever invertedAppearance says (the
// top arrow always subtracts), so the bar runs over the negated range and
// number() turns it back. Read number(), never value().
class Spinner : public QScrollBar {
    Q_OBJECT
public:
    Spinner(const char* name, int lowest, int highest, int arrowStep, int pageStep,
            QWidget* parent = nullptr);

    int number() const { return -value(); }
    void setNumber(int number) { setValue(-number); }
    int lowest() const { return -maximum(); }
    int highest() const { return -minimum(); }
    void setHighest(int highest) { setMinimum(-highest); }

Q_SIGNALS:
    void numberChanged(int number);
};

} // namespace kvt
