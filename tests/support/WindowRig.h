#pragma once

#include "support/FakeSerialPort.h"
#include "support/ScriptedOperator.h"

#include "family/ModelCatalogue.h"
#include "link/SerialLink.h"

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <type_traits>

namespace kvt::test {

// A front-end window on a fake port, answered by a scripted operator, with
// timings short enough for tests. The window is not initialised: a test that
// wants the start-up questions scripts them, the others call initialised().
// model: the command-line name of the model a window of one family takes.
template <class Window> struct WindowRig {
    explicit WindowRig(Timings t = timings(), const QString& model = {})
    {
        // What the windows remember stays in a store of the test's own.
        static const QTemporaryDir remembered;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, remembered.path());
        auto owned = std::make_unique<FakeSerialPort>();
        port = owned.get();
        if constexpr (std::is_constructible_v<Window, const Model&, Operator&,
                                              std::unique_ptr<SerialPort>, Timings>) {
            const Model* chosen = ModelCatalogue::named(model);
            if (!chosen)
                qFatal("no model '%s'", qPrintable(model));
            window = std::make_unique<Window>(*chosen, op, std::move(owned), t);
        } else {
            window = std::make_unique<Window>(op, std::move(owned), t);
        }
    }
    static Timings timings()
    {
        Timings t;
        t.pacing = std::chrono::milliseconds{1};
        t.watchdog = std::chrono::seconds{60};
        return t;
    }
    // Started up on COM1 and shown, with the start-up boxes forgotten.
    WindowRig& initialised()
    {
        window->initialise();
        window->show();
        op.messages.clear();
        return *this;
    }
    template <typename T> T* find(const QString& name)
    {
        auto* found = window->template findChild<T*>(name);
        if (!found)
            qFatal("no child %s", qPrintable(name));
        return found;
    }
    void trigger(const QString& actionName) { find<QAction>(actionName)->trigger(); }
    bool waitIdle()
    {
        return QTest::qWaitFor([this] { return !window->link().isSending(); }, 5000);
    }
    bool waitForWritten(const QByteArray& bytes)
    {
        return QTest::qWaitFor([&] { return port->written().endsWith(bytes); }, 5000);
    }

    ScriptedOperator op;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<Window> window;
};

} // namespace kvt::test
