#include "SimWindowRig.h"

#include "kvt31_33/Kvt31_33Window.h"
#include "kvt52/Kvt52Window.h"
#include "kvt7/Kvt7Window.h"
#include "link/QtSerialPort.h"
#include "shell/Module1.h"

#include <QPushButton>

#include <algorithm>

namespace kvt::test {

namespace {

enum class WindowKind { Kvt7, Kvt31_33, Kvt52 };
struct Model {
    const char* name;
    WindowKind window;
    qint16 number; // as the start-up window gives it
};
constexpr Model models[] = {{"kvt7", WindowKind::Kvt7, 0},      {"kvt31", WindowKind::Kvt31_33, 1},
                            {"kvt33", WindowKind::Kvt31_33, 2}, {"kvt52", WindowKind::Kvt52, 2},
                            {"px52", WindowKind::Kvt52, 12},    {"kvt54", WindowKind::Kvt52, 4},
                            {"px54", WindowKind::Kvt52, 14}};

} // namespace

std::unique_ptr<FrontEndWindow> openWindowOn(const QString& model, const QString& device,
                                             Operator& op, const Timings& timings)
{
    const Model* found = std::find_if(std::begin(models), std::end(models), [&](const Model& m) {
        return model == QLatin1String(m.name);
    });
    if (found == std::end(models))
        qFatal("no window for model %s", qPrintable(model));
    PortMap ports;
    ports.setDevice(1, device);
    auto port = std::make_unique<QtSerialPort>(ports);
    if (found->number != 0)
        Module1::ModelNo = found->number;
    std::unique_ptr<FrontEndWindow> window;
    switch (found->window) {
    case WindowKind::Kvt7:
        window = std::make_unique<Kvt7Window>(op, std::move(port), timings);
        break;
    case WindowKind::Kvt31_33:
        window = std::make_unique<Kvt31_33Window>(op, std::move(port), timings);
        break;
    case WindowKind::Kvt52:
        window = std::make_unique<Kvt52Window>(op, std::move(port), timings);
        break;
    }
    window->initialise();
    // The four models open their port once the communication setup is confirmed.
    if (found->window == WindowKind::Kvt52)
        window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    return window;
}

} // namespace kvt::test
