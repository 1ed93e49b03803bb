#pragma once

#include "AppContext.h"

#include <QObject>

class QWidget;

namespace kvt {

// Opens the window for the controller model the operator picked at start-up.
// Option indexes follow the start-up window: KVT7, KVT31, KVT33, KVT52, PX52,
// KVT54, PX54.
class FrontEnds : public QObject {
    Q_OBJECT
public:
    static constexpr int ModelCount = 7;

    explicit FrontEnds(AppContext context, QObject* parent = nullptr);

    // Sets ModelNo, creates the window, lets it ask its port questions, shows
    // it and gives it the model's caption. The window deletes itself on close.
    // Null for an index outside the list or a window that closed itself while
    // it started.
    QWidget* open(int optionIndex);

Q_SIGNALS:
    void opened(QWidget* window);

private:
    QWidget* create(int optionIndex);

    AppContext m_context;
};

} // namespace kvt
