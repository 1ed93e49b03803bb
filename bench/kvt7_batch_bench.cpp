// Measures the headless download to several KVT7s at once: the same 16-line
// program to 1, 4 and 16 kvtsim instances from one kvtcomm process, its wall
// time against the single download and the CPU it took.
//
//   kvt7_batch_bench [ROUNDS] [network]
//
// With "network" every kvtsim sits behind its own ser2net on loopback and is
// reached over RFC 2217.
// Prints figures only; it judges nothing.

#include "support/DeviceServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

double childCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QByteArray sixteenLines()
{
    QByteArray text = "M31,1\r\n";
    for (int i = 0; i < 14; ++i)
        text += "G00,+" + QByteArray::number(100000 + 1234 * i) + ",F5000\r\n";
    return text + "M30\r\n";
}

struct Sim {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    QString device;
    std::unique_ptr<kvt::test::DeviceServer> server;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    const bool network = argc > 2 && QByteArray(argv[2]) == "network";
    QTemporaryDir dir;
    QFile program(dir.filePath(QStringLiteral("sixteen.txt")));
    if (!program.open(QIODevice::WriteOnly) || program.write(sixteenLines()) < 0)
        return 1;
    program.close();

    std::printf("%6s %10s %8s %10s\n", "ports", "wall s", "ratio", "cpu s");
    double single = 0;
    for (const int ports : {1, 4, 16}) {
        std::vector<Sim> sims(static_cast<size_t>(ports));
        QStringList arguments{QStringLiteral("download"), QStringLiteral("--model"),
                              QStringLiteral("kvt7")};
        for (Sim& sim : sims) {
            sim.process->start(
                QStringLiteral(KVTSIM_PATH),
                {QStringLiteral("--model"), QStringLiteral("kvt7"), QStringLiteral("--no-banner")});
            if (!sim.process->waitForReadyRead(10000))
                return 1;
            sim.device = QString::fromLocal8Bit(sim.process->readLine()).trimmed();
            if (network) {
                sim.server = std::make_unique<kvt::test::DeviceServer>(sim.device);
                if (!sim.server->start()) {
                    std::fprintf(stderr, "%s\n", qPrintable(sim.server->errorText()));
                    return 1;
                }
            }
            arguments << QStringLiteral("--port") << (network ? sim.server->url() : sim.device);
        }
        arguments << program.fileName();
        double wall = 0;
        double cpu = 0;
        for (int round = 0; round < rounds; ++round) {
            QProcess kvtcomm;
            kvtcomm.setStandardErrorFile(QProcess::nullDevice());
            const double cpuBefore = childCpuSeconds();
            QElapsedTimer clock;
            clock.start();
            kvtcomm.start(QStringLiteral(KVTCOMM_PATH), arguments);
            if (!kvtcomm.waitForFinished(120000) || kvtcomm.exitCode() != 0) {
                std::fprintf(stderr, "download to %d ports failed\n", ports);
                return 1;
            }
            wall += clock.nsecsElapsed() / 1e9;
            cpu += childCpuSeconds() - cpuBefore;
        }
        wall /= rounds;
        cpu /= rounds;
        if (ports == 1)
            single = wall;
        std::printf("%6d %10.3f %8.2f %10.3f\n", ports, wall, wall / single, cpu);
        for (Sim& sim : sims) {
            sim.server.reset();
            sim.process->terminate();
            sim.process->waitForFinished(3000);
        }
    }
    return 0;
}
