#pragma once

#include <QStringList>

class QWidget;

namespace kvt::test {

// The window's named controls that a screen reader could not name: a label
// must read out what it shows, any other control needs a name or, when
// empty, at least a description. checked counts the controls looked at.
QStringList unnamedControls(const QWidget* window, int* checked);

} // namespace kvt::test
