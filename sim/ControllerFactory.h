#pragma once

#include "Controller.h"

#include <QStringList>

#include <memory>

namespace kvt::sim {

// The controller models kvtsim can play, by the names --model takes.
class ControllerFactory {
public:
    static QStringList models();
    // nullptr for a model that is not simulated.
    static std::unique_ptr<Controller> create(const QString& model);
};

} // namespace kvt::sim
