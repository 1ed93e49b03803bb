#include "FrontEnds.h"

#include "family/ModelCatalogue.h"
#include "kvt31_33/Kvt31_33Window.h"
#include "kvt52/Kvt52Window.h"
#include "kvt7/Kvt7Window.h"
#include "link/TrafficLog.h"
#include "shell/Operator.h"

#include <QPointer>

namespace kvt {

FrontEnds::FrontEnds(AppContext context, QObject* parent)
    : QObject(parent), m_context(std::move(context))
{
}

QWidget* FrontEnds::create(const Model& model)
{
    FrontEndWindow* window = nullptr;
    switch (model.family) {
    case Family::Kvt7:
        window = new Kvt7Window(m_context.op, m_context.makePort(), m_context.timings);
        break;
    case Family::Kvt31_33:
        window = new Kvt31_33Window(model, m_context.op, m_context.makePort(), m_context.timings);
        break;
    case Family::Kvt52:
        window = new Kvt52Window(model, m_context.op, m_context.makePort(), m_context.timings);
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
    if (optionIndex < 0 || optionIndex >= int(ModelCatalogue::models().size()))
        return nullptr;
    const Model& model = ModelCatalogue::at(optionIndex);

    // Starting up asks the operator through modal boxes; the window may close
    // itself in between (no port, the operator gave up), so hold it loosely.
    QPointer<QWidget> window = create(model);
    if (!window)
        return nullptr;
    window->show();
    if (model.caption)
        window->setWindowTitle(QString::fromLatin1(model.caption));
    Q_EMIT opened(window);
    return window;
}

} // namespace kvt
