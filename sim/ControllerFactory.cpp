#include "ControllerFactory.h"

#include "Kvt7Controller.h"

#include <array>

namespace kvt::sim {

namespace {

struct Model {
    const char* name;
    std::unique_ptr<Controller> (*create)(const ControllerSettings&);
};

// A new model needs one row here and nothing else in the command line.
constexpr std::array simulatedModels{
    Model{"kvt7",
          [](const ControllerSettings& settings) -> std::unique_ptr<Controller> {
              return std::make_unique<Kvt7Controller>(settings.listingPause);
          }},
};

} // namespace

QStringList ControllerFactory::models()
{
    QStringList names;
    for (const Model& model : simulatedModels)
        names.append(QLatin1String(model.name));
    return names;
}

std::unique_ptr<Controller> ControllerFactory::create(const QString& model,
                                                      const ControllerSettings& settings)
{
    for (const Model& candidate : simulatedModels) {
        if (model.compare(QLatin1String(candidate.name), Qt::CaseInsensitive) == 0)
            return candidate.create(settings);
    }
    return nullptr;
}

} // namespace kvt::sim
