#pragma once

#include <QMainWindow>

class QAction;
class QLabel;

namespace kvt {

// Stands in for a controller family's window until that window is written, so
// the start-up choice, ModelNo and the caption already behave as they will.
class FamilyPlaceholderWindow : public QMainWindow {
    Q_OBJECT
public:
    FamilyPlaceholderWindow(const QString& objectName, const QString& caption,
                            const QString& family, QWidget* parent = nullptr);

private:
    QLabel* lblplaceholder = nullptr;
    QAction* mnuexit = nullptr;
};

} // namespace kvt
