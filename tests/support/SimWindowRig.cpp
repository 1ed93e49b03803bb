#include "SimWindowRig.h"

#include "family/ModelCatalogue.h"
#include "kvt31_33/Kvt31_33Window.h"
#include "kvt52/Kvt52Window.h"
#include "kvt7/Kvt7Window.h"
#include "link/QtSerialPort.h"

#include <QPushButton>

namespace kvt::test {

std::unique_ptr<FrontEndWindow> openWindowOn(const QString& model, const QString& device,
                                             Operator& op, const Timings& timings)
{
    const Model* found = ModelCatalogue::named(model);
    if (!found)
        qFatal("no window for model %s", qPrintable(model));
    PortMap ports;
    ports.setDevice(1, device);
    auto port = std::make_unique<QtSerialPort>(ports);
    std::unique_ptr<FrontEndWindow> window;
    switch (found->family) {
    case Family::Kvt7:
        window = std::make_unique<Kvt7Window>(op, std::move(port), timings);
        break;
    case Family::Kvt31_33:
        window = std::make_unique<Kvt31_33Window>(*found, op, std::move(port), timings);
        break;
    case Family::Kvt52:
        window = std::make_unique<Kvt52Window>(*found, op, std::move(port), timings);
        break;
    }
    window->initialise();
    // The four models open their port once the communication setup is confirmed.
    if (found->family == Family::Kvt52)
        window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    return window;
}

} // namespace kvt::test
