// Measures the KVT7 window's link against kvtsim on a pty: the spacing of paced
// characters as the simulator receives them, and the process CPU time while the
// window sits idle with the port open.
//
//   kvt7_link_bench DEVICE RECEIVE_LOG [COMMANDS]

#include "BenchSupport.h"
#include "kvt7/Kvt7Window.h"
#include "link/QtSerialPort.h"
#include "link/SerialLink.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace kvt;
using namespace kvt::bench;

namespace {

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kvt7_link_bench DEVICE RECEIVE_LOG [COMMANDS]\n");
        return 2;
    }
    const QString logPath = args.at(2);
    const int commands = args.size() > 3 ? args.at(3).toInt() : 60;

    AnswerYes op;
    const auto opened = openKvt7(args.at(1), op);
    if (!opened)
        return 1;
    Kvt7Window& window = *opened;

    constexpr int idleSeconds = 10;
    double idleCpu = 0;
    int finished = 0;
    auto sendAll = [&] {
        for (int i = 0; i < commands; ++i)
            window.link().sendData(QStringLiteral("G00,+%1").arg(1000 + i, 4, 10, QLatin1Char('0')),
                                   [&](SendResult) {
                                       if (++finished == commands)
                                           QTimer::singleShot(200, &app, &QCoreApplication::quit);
                                   });
    };
    const double idleStart = cpuSeconds();
    QTimer::singleShot(idleSeconds * 1000, &app, [&] {
        idleCpu = cpuSeconds() - idleStart;
        sendAll();
    });
    app.exec();

    // Intervals between the characters of one command; the gap after each CR
    // also holds the drain wait and is not pacing.
    const QList<Received> log = readLog(logPath);
    QList<double> intervalsMs;
    for (qsizetype i = 1; i < log.size(); ++i)
        if (log[i - 1].byte != '\r')
            intervalsMs.append(double(log[i].atUs - log[i - 1].atUs) / 1000.0);
    if (intervalsMs.isEmpty()) {
        std::fprintf(stderr, "no characters in %s\n", qPrintable(logPath));
        return 1;
    }
    std::printf("paced characters received: %lld (intervals measured: %lld)\n",
                static_cast<long long>(log.size()), static_cast<long long>(intervalsMs.size()));
    std::printf("interval median: %.2f ms   p99: %.2f ms   max: %.2f ms\n",
                percentile(intervalsMs, 0.5), percentile(intervalsMs, 0.99),
                percentile(intervalsMs, 1.0));
    std::printf("idle CPU with the port open for %d s: %.3f s = %.3f %% of one core\n", idleSeconds,
                idleCpu, 100.0 * idleCpu / idleSeconds);
    return 0;
}
