#include "ModelCatalogue.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kvt {

namespace {

// 2 stands for the KVT33 in its family and for the KVT52 in the other: each
// window counts its models on its own.
constexpr std::array<Model, 7> catalogue{{
    {"KVT7", "kvt7", Family::Kvt7, std::nullopt, nullptr},
    {"KVT31", "kvt31", Family::Kvt31_33, 1, "KVT31 COMMUNICATION INTERFACE"},
    {"KVT33", "kvt33", Family::Kvt31_33, 2, "KVT33 COMMUNICATION INTERFACE"},
    {"KVT52", "kvt52", Family::Kvt52, 2, "KVT52 COMMUNICATION INTERFACE"},
    {"PX52", "px52", Family::Kvt52, 12, "PX52 COMMUNICATION INTERFACE"},
    {"KVT54", "kvt54", Family::Kvt52, 4, "KVT54 COMMUNICATION INTERFACE"},
    {"PX54", "px54", Family::Kvt52, 14, "PX54 COMMUNICATION INTERFACE"},
}};

} // namespace

std::span<const Model> ModelCatalogue::models()
{
    return catalogue;
}

std::span<const Model> ModelCatalogue::sorted()
{
    static const std::array<Model, 7> byName = [] {
        std::array<Model, 7> models = catalogue;
        std::stable_sort(models.begin(), models.end(), [](const Model& a, const Model& b) {
            if (a.family != b.family)
                return a.family < b.family;
            return std::strcmp(a.commandLineName, b.commandLineName) < 0;
        });
        return models;
    }();
    return byName;
}

const Model* ModelCatalogue::named(const QString& commandLineName)
{
    for (const Model& model : catalogue)
        if (commandLineName == QLatin1String(model.commandLineName))
            return &model;
    return nullptr;
}

} // namespace kvt
