#include "FrontEnds.h"

#include "kvt31_33/Kvt31_33Window.h"
#include "kvt52/Kvt52Window.h"
#include "kvt7/Kvt7Window.h"
#include "link/TrafficLog.h"
#include "shell/Module1.h"
#include "shell/Operator.h"

#include <QPointer>

#include <array>
#include <optional>

namespace kvt {

namespace {

struct Model {
    std::optional<qint16> modelNo; // KVT7 never had a number of its own
    const char* caption;           // null: the window keeps its own
};

// Indexed by the start-up window's option buttons. The four-model window tells
// KVT52 from KVT54 by 2 and 4 and adds 10 for a PX; the KVT31/KVT33 window
// counts 1 and 2 on its own, so 2 stands for KVT33 there and KVT52 here.
constexpr std::array<Model, FrontEnds::ModelCount> models{{
    {std::nullopt, nullptr},
    {1, "KVT31 COMMUNICATION INTERFACE"},
    {2, "KVT33 COMMUNICATION INTERFACE"},
    {2, "KVT52 COMMUNICATION INTERFACE"},
    {12, "PX52 COMMUNICATION INTERFACE"},
    {4, "KVT54 COMMUNICATION INTERFACE"},
    {14, "PX54 COMMUNICATION INTERFACE"},
}};

} // namespace

FrontEnds::FrontEnds(AppContext context, QObject* parent)
    : QObject(parent), m_context(std::move(context))
{
}

QWidget* FrontEnds::create(int optionIndex)
{
    FrontEndWindow* window = nullptr;
    switch (optionIndex) {
    case 0:
        window = new Kvt7Window(m_context.op, m_context.makePort(), m_context.timings);
        break;
    case 1:
    case 2:
        window = new Kvt31_33Window(m_context.op, m_context.makePort(), m_context.timings);
        break;
    default:
        window = new Kvt52Window(m_context.op, m_context.makePort(), m_context.timings);
        break;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (QString error; !m_context.trafficLogPath.isEmpty() &&
                       !window->trafficLog().writeTo(m_context.trafficLogPath, &error))
        m_context.op.message(window, {error, {}, MessageIcon::Exclamation, MessageButtons::Ok});
    window->initialise();
    return window;
}

QWidget* FrontEnds::open(int optionIndex)
{
    if (optionIndex < 0 || optionIndex >= ModelCount)
        return nullptr;
    const Model& model = models[static_cast<std::size_t>(optionIndex)];
    if (model.modelNo)
        Module1::ModelNo = *model.modelNo;

    // Starting up asks the operator through modal boxes; the window may close
    // itself in between (no port, the operator gave up), so hold it loosely.
    QPointer<QWidget> window = create(optionIndex);
    if (!window)
        return nullptr;
    window->show();
    if (model.caption)
        window->setWindowTitle(QString::fromLatin1(model.caption));
    Q_EMIT opened(window);
    return window;
}

} // namespace kvt
