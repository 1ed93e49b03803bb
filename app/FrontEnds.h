#pragma once

#include "AppContext.h"

#include <QObject>

class QWidget;

namespace kvt {

struct Model;

// Opens the window for the controller model the operator picked at start-up.
// Option indexes follow the model catalogue, as the start-up window does.
class FrontEnds : public QObject {
    Q_OBJECT
public:
    explicit FrontEnds(AppContext context, QObject* parent = nullptr);

    // Creates the model's window, lets it ask its port questions, shows it
    // and gives it the model's caption. The window deletes itself on close.
    // Null for an index outside the list or a window that closed itself while
    // it started.
    QWidget* open(int optionIndex);

Q_SIGNALS:
    void opened(QWidget* window);

private:
    QWidget* create(const Model& model);

    AppContext m_context;
};

} // namespace kvt
