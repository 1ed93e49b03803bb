// Measures a KVT52 window under a flood from kvtsim (--flood): the controller
// answers the first command with megabytes of block lines that never end.
//
//   kvt52_flood_bench DEVICE upload|idle
//
// upload: the program upload (S03) collects until its 1 MiB limit; prints the
//         time to that end and the peak memory.
// idle:   the command goes out with no transfer waiting and the traffic log's
//         window open; prints how long the flood took to pass, then the CPU
//         time and memory while the line is quiet again.

#include "BenchSupport.h"
#include "frontend/FrontEndWindow.h"
#include "link/SerialLink.h"
#include "link/TrafficLog.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

using namespace kvt;
using namespace kvt::bench;

namespace {

double peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024; // KiB on Linux
}

double rssMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? double(fields[1].toLongLong() * sysconf(_SC_PAGESIZE)) / (1 << 20)
                             : -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 ||
        (args[2] != QLatin1String("upload") && args[2] != QLatin1String("idle"))) {
        std::fprintf(stderr, "usage: kvt52_flood_bench DEVICE upload|idle\n");
        return 2;
    }
    const bool upload = args[2] == QLatin1String("upload");

    AnswerYes op;
    const auto opened = openWindow(QStringLiteral("kvt52"), args[1], op);
    if (!opened) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    FrontEndWindow& window = *opened;
    std::printf("before the flood: RSS %.1f MiB\n", rssMiB());

    // The flood has passed once the port has been quiet for a second.
    constexpr int quietMs = 1000;
    constexpr int idleSeconds = 5;
    QElapsedTimer clock;
    qint64 lastEventMs = 0;
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(quietMs);
    QObject::connect(&window.port(), &SerialPort::commEvent, &app, [&] {
        lastEventMs = clock.elapsed();
        quiet.start();
    });
    QObject::connect(&quiet, &QTimer::timeout, &app, [&] {
        std::printf("flood passed after %.2f s; RSS %.1f MiB, peak %.1f MiB\n",
                    double(lastEventMs) / 1000, rssMiB(), peakRssMiB());
        const double cpuStart = cpuSeconds();
        QTimer::singleShot(idleSeconds * 1000, &app, [&, cpuStart] {
            const double cpu = cpuSeconds() - cpuStart;
            std::printf("quiet line, %d s: CPU %.3f s (%.1f %% of a core); RSS %.1f MiB, peak "
                        "%.1f MiB\n",
                        idleSeconds, cpu, 100 * cpu / idleSeconds, rssMiB(), peakRssMiB());
            const std::deque<TrafficLog::Entry>& log = window.trafficLog().entries();
            std::printf("traffic log: %lld entries, the last: %s\n",
                        static_cast<long long>(log.size()),
                        log.empty() ? "-" : qPrintable(TrafficLog::line(log.back(), false, 60)));
            app.quit();
        });
    });
    QTimer::singleShot(300'000, &app, [&] {
        std::fprintf(stderr, "the flood did not pass within 300 s\n");
        app.exit(1);
    });

    clock.start();
    if (upload) {
        auto* item = window.findChild<QAction*>(QStringLiteral("mnuulprg"));
        if (!item) {
            std::fprintf(stderr, "the window has no mnuulprg\n");
            return 1;
        }
        item->trigger();
        // The window tells its transfers' end to no one outside: looked at often.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &app, [&] {
            if (window.transferRunning())
                return;
            watch.stop();
            const auto* shown = window.findChild<QLabel*>(QStringLiteral("lblresponse"));
            std::printf("upload ended after %.2f s: \"%s\"; peak RSS %.1f MiB\n",
                        double(clock.elapsed()) / 1000,
                        shown ? qPrintable(shown->text().simplified()) : "?", peakRssMiB());
        });
        watch.start(5);
        return app.exec();
    }
    window.findChild<QAction*>(QStringLiteral("mnutraffic"))->trigger();
    window.link().sendData(QStringLiteral("S03"));
    return app.exec();
}
