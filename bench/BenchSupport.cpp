#include "BenchSupport.h"

#include "kvt7/Kvt7Window.h"
#include "support/SimWindowRig.h"

#include <QFile>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace kvt::bench {

MessageAnswer AnswerYes::message(QWidget*, const Message& message)
{
    std::fprintf(stderr, "box: %s\n", qPrintable(message.text));
    return MessageAnswer::Yes;
}

std::unique_ptr<FrontEndWindow> openWindow(const QString& model, const QString& device,
                                           Operator& op)
{
    auto window = test::openWindowOn(model, device, op);
    if (!window->port().isOpen())
        return nullptr;
    return window;
}

std::unique_ptr<Kvt7Window> openKvt7(const QString& device, Operator& op)
{
    return std::unique_ptr<Kvt7Window>(
        static_cast<Kvt7Window*>(openWindow(QStringLiteral("kvt7"), device, op).release()));
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QList<Received> readLog(const QString& path)
{
    QList<Received> entries;
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly))
        return entries;
    while (!log.atEnd()) {
        const QList<QByteArray> f = log.readLine().trimmed().split(' ');
        if (f.size() == 2)
            entries.append({f[0].toLongLong(), f[1].toInt()});
    }
    return entries;
}

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto index = qsizetype(p * double(values.size() - 1) + 0.5);
    return values.at(std::clamp<qsizetype>(index, 0, values.size() - 1));
}

} // namespace kvt::bench
