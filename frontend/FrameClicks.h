#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace kvt {

// Clicking anywhere on a panel's frame, also on its greyed-out controls, is
// how the operator makes that panel the active one. Qt swallows clicks on
// disabled widgets; here a disabled control lets them through to its frame.
// What the click put the focus on inside the frame gets the keyboard.
class FrameClicks : public QObject {
    Q_OBJECT
public:
    // Runs onClick for a press on frame or any of its present children.
    static void watch(QWidget* frame, std::function<void()> onClick);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FrameClicks(QWidget* frame, std::function<void()> onClick);

    std::function<void()> m_onClick;
};

} // namespace kvt
