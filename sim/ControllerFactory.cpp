#include "ControllerFactory.h"

#include "KeypadController.h"
#include "Kvt7Controller.h"

#include <array>

namespace kvt::sim {

namespace {

struct Model {
    const char* name;
    bool keypad;
    std::unique_ptr<Controller> (*create)(const ControllerSettings&);
};

// A new model needs one row here and nothing else in the command line.
constexpr std::array simulatedModels{
    Model{"kvt7", false,
          [](const ControllerSettings& settings) -> std::unique_ptr<Controller> {
              return std::make_unique<Kvt7Controller>(settings.listingPause);
          }},
    Model{"kvt31", true,
          [](const ControllerSettings&) -> std::unique_ptr<Controller> {
              return std::make_unique<KeypadController>(QStringLiteral("KVT31"));
          }},
    Model{"kvt33", true,
          [](const ControllerSettings&) -> std::unique_ptr<Controller> {
              return std::make_unique<KeypadController>(QStringLiteral("KVT33"));
          }},
};

const Model* findModel(const QString& name)
{
    for (const Model& model : simulatedModels) {
        if (name.compare(QLatin1String(model.name), Qt::CaseInsensitive) == 0)
            return &model;
    }
    return nullptr;
}

} // namespace

QStringList ControllerFactory::models()
{
    QStringList names;
    for (const Model& model : simulatedModels)
        names.append(QLatin1String(model.name));
    return names;
}

bool ControllerFactory::hasKeypad(const QString& model)
{
    const Model* found = findModel(model);
    return found && found->keypad;
}

std::unique_ptr<Controller> ControllerFactory::create(const QString& model,
                                                      const ControllerSettings& settings)
{
    const Model* found = findModel(model);
    return found ? found->create(settings) : nullptr;
}

} // namespace kvt::sim
