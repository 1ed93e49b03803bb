#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace kvt {

// A panel the operator has just activated takes the keyboard at once. Its
// window may become the active one only a moment later, when the window
// manager gets to it; what is typed in between reaches whichever of the
// program's windows still has the keyboard, and is handed on to the box.
// The handover ends when the box's window is active, when the operator turns
// to another window (a click there, its activation, a key with Ctrl, Alt or
// Meta), when another of the program's windows opens, when the box goes, and
// at the latest after two seconds.
class KeyboardHandover : public QObject {
    Q_OBJECT
public:
    static void giveTo(QWidget* box);
    // The box that has the focus inside frame, if any, gets the keyboard.
    static void giveToFocusIn(QWidget* frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit KeyboardHandover(QWidget* box);
    bool isElsewhere(QObject* watched) const;

    QPointer<QWidget> m_box;
};

} // namespace kvt
