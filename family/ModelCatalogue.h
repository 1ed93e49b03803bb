#pragma once

#include "Family.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>

namespace kvt {

// One controller model the operator can choose.
struct Model {
    const char* displayName;     // "KVT31", as the start-up window and the boxes name it
    const char* commandLineName; // "kvt31", as --model takes it
    Family family;
    // How the family's window tells its models apart: 1 and 2 for KVT31 and
    // KVT33; 2 and 4 for KVT52 and KVT54, plus 10 for a PX. The KVT7 has none.
    std::optional<qint16> number;
    const char* caption; // the window's title once it shows; null: its own

    QString name() const { return QString::fromLatin1(displayName); }
    // Program, position data and parameters, not programs alone.
    bool takesBlockKinds() const { return family == Family::Kvt52; }
    // A download read back and compared: every model whose transfer the PC starts.
    bool takesVerify() const { return family != Family::Kvt31_33; }
    // The program number to upload is chosen on the PC, not on the controller.
    bool takesProgramNumber() const { return family == Family::Kvt7; }
    // The line settings are the operator's, not fixed by the model.
    bool takesLineSettings() const { return family == Family::Kvt52; }
};

class ModelCatalogue {
public:
    // In the start-up window's order: KVT7, KVT31, KVT33, KVT52, PX52, KVT54, PX54.
    static std::span<const Model> models();
    static const Model& at(int index) { return models()[std::size_t(index)]; }
    // By command-line name, case as given; null when there is none.
    static const Model* named(const QString& commandLineName);
    // The command-line names of the models that pass, family by family and
    // alphabetical within one: "kvt7", "kvt31", ... "px54".
    template <typename Pred> static QStringList commandLineNames(Pred pass)
    {
        QStringList names;
        for (const Model& model : sorted())
            if (std::invoke(pass, model))
                names.append(QString::fromLatin1(model.commandLineName));
        return names;
    }
    static QStringList commandLineNames()
    {
        return commandLineNames([](const Model&) { return true; });
    }

private:
    static std::span<const Model> sorted();
};

} // namespace kvt
