#include "ControllerFactory.h"

#include "BlockController.h"
#include "KeypadController.h"
#include "Kvt7Controller.h"

#include <array>

namespace kvt::sim {

namespace {

struct Model {
    const char* name;
    bool keypad;
    bool blocks;
    std::unique_ptr<Controller> (*create)(const ControllerSettings&);
};

// The four block models differ only in the name their notices go by.
template <const char* name>
std::unique_ptr<Controller> blockModel(const ControllerSettings& settings)
{
    return std::make_unique<BlockController>(QLatin1String(name), settings);
}
constexpr char kvt52[] = "KVT52";
constexpr char kvt54[] = "KVT54";
constexpr char px52[] = "PX52";
constexpr char px54[] = "PX54";

// A new model needs one row here and nothing else in the command line.
constexpr std::array simulatedModels{
    Model{"kvt7", false, false,
          [](const ControllerSettings& settings) -> std::unique_ptr<Controller> {
              return std::make_unique<Kvt7Controller>(settings.listingPause, settings.corruptLine);
          }},
    Model{"kvt31", true, false,
          [](const ControllerSettings&) -> std::unique_ptr<Controller> {
              return std::make_unique<KeypadController>(QStringLiteral("KVT31"));
          }},
    Model{"kvt33", true, false,
          [](const ControllerSettings&) -> std::unique_ptr<Controller> {
              return std::make_unique<KeypadController>(QStringLiteral("KVT33"));
          }},
    Model{"kvt52", false, true, &blockModel<kvt52>},
    Model{"kvt54", false, true, &blockModel<kvt54>},
    Model{"px52", false, true, &blockModel<px52>},
    Model{"px54", false, true, &blockModel<px54>},
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

bool ControllerFactory::takesBlocks(const QString& model)
{
    const Model* found = findModel(model);
    return found && found->blocks;
}

std::unique_ptr<Controller> ControllerFactory::create(const QString& model,
                                                      const ControllerSettings& settings)
{
    const Model* found = findModel(model);
    return found ? found->create(settings) : nullptr;
}

} // namespace kvt::sim
