#pragma once

#include "support/ScriptedOperator.h"
#include "support/SimProcess.h"

#include "frontend/FrontEndWindow.h"
#include "link/Timings.h"

#include <QStringList>

#include <memory>

namespace kvt::test {

// The window of model's family with COM1 on device, started up as an operator
// who accepts its start-up questions leaves it. The one place where tests and
// benchmarks build a window on a real device.
std::unique_ptr<FrontEndWindow> openWindowOn(const QString& model, const QString& device,
                                             Operator& op, const Timings& timings = {});

// kvtsim on a pty for model, and the model's window on it answered by a
// scripted operator. Ready once kvtsim has seen the window open its device:
// what kvtsim sends before that is lost.
template <class Window> class SimWindowRig {
public:
    // simSwitches after --model; with --link PATH the window opens PATH.
    explicit SimWindowRig(const QString& model, const QStringList& simSwitches = {},
                          const Timings& timings = {})
        : m_simArguments(QStringList{QStringLiteral("--model"), model} + simSwitches)
    {
        restartSim();
        if (!sim->started())
            return;
        const qsizetype link = simSwitches.indexOf(QStringLiteral("--link"));
        device = link >= 0 ? simSwitches.value(link + 1) : sim->device();
        window.reset(static_cast<Window*>(openWindowOn(model, device, op, timings).release()));
        m_connected = sim->waitForHost();
    }

    bool ready() const { return m_connected; }
    QString whyNotReady() const
    {
        return sim->started() ? QStringLiteral("kvtsim saw no host on %1").arg(device)
                              : sim->errorText();
    }
    // kvtsim again with the same switches, as a controller switched back on.
    void restartSim()
    {
        sim.reset();
        sim = std::make_unique<SimProcess>(m_simArguments);
    }
    template <class T> T* find(const char* name) const
    {
        return window->template findChild<T*>(QLatin1String(name));
    }

    std::unique_ptr<SimProcess> sim;
    ScriptedOperator op;
    QString device;
    std::unique_ptr<Window> window;

private:
    QStringList m_simArguments;
    bool m_connected = false;
};

} // namespace kvt::test
