// Measures the KVT7 window's program download against kvtsim on a pty: how
// close the whole transfer comes to the pace the line and the controller set,
// how quickly the next line follows each answer, and the CPU it costs.
//
//   kvt7_download_bench DEVICE RECEIVE_LOG [DOWNLOADS] [REPLY_DELAY_MS]
//
// REPLY_DELAY_MS must be the --reply-delay kvtsim runs with; kvtsim should run
// with --no-banner, or the banner would pass for the first line's answer.

#include "BenchSupport.h"
#include "editor/EditorController.h"
#include "kvt7/Kvt7Window.h"
#include "link/QtSerialPort.h"
#include "link/SerialLink.h"
#include "link/TrafficLog.h"
#include "transfer/Kvt7Download.h"
#include "transfer/ProgramLines.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace kvt;
using namespace kvt::bench;

namespace {

// kvtsim stamps its log with steady_clock; the same clock here makes the two
// processes' times comparable.
qint64 nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Moves and relative moves with feed, acceleration and dwell written without
// blanks: only a line's first word goes on the wire, so long first words are
// what fills the editor's 480 characters with characters that are sent.
QString benchProgram()
{
    QStringList lines{QStringLiteral("M31,2")};
    for (int i = 0; i < 14; ++i) {
        const QString dwell = QString::number(i == 0 ? 1000 : 250 + 10 * i);
        if (i % 2 == 0)
            lines << QStringLiteral("G00,+%1,F5000,A100,DWELL%2")
                         .arg(1000000 + 12345 * i, 7, 10, QLatin1Char('0'))
                         .arg(dwell);
        else
            lines << QStringLiteral("G10,-%1,F5000,A100,DWELL%2")
                         .arg(100000 + 2345 * i, 6, 10, QLatin1Char('0'))
                         .arg(dwell);
    }
    lines << QStringLiteral("M30");
    return lines.join(QLatin1String("\r\n"));
}

// Stamps each activation of the serial port's read notifier before anyone
// handles it: the link's own received signal reaches a late listener only
// after the window has already reacted and written the next character.
class ReadStamp : public QObject {
public:
    qint64 lastUs = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::SockAct) {
            const auto* notifier = qobject_cast<QSocketNotifier*>(watched);
            // The port's is the only one reading here, a serial device's or,
            // behind a device server, a socket's.
            if (notifier && notifier->type() == QSocketNotifier::Read)
                lastUs = nowUs();
        }
        return false;
    }
};

struct Run {
    int lines = 0;
    int charsSent = 0;
    int bytesLogged = 0;
    double totalMs = 0;
    double boundMs = 0;
    double cpuS = 0;
    QList<double> reactionsMs;
    QList<double> spacingMs;
    // Spacing under the pace the controller expects, and how many of those
    // fell between a line's first two characters.
    int shortSpacings = 0;
    int shortAtLineStart = 0;
    int earlyAnswers = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr,
                     "usage: kvt7_download_bench DEVICE RECEIVE_LOG [DOWNLOADS] [REPLY_DELAY_MS] "
                     "[burst|burst-with-traffic-log]\n");
        return 2;
    }
    const QString logPath = args.at(2);
    const int downloads = args.size() > 3 ? args.at(3).toInt() : 5;
    const int replyDelayMs = args.size() > 4 ? args.at(4).toInt() : 20;

    ReadStamp stamp;
    app.installEventFilter(&stamp);

    AnswerYes op;
    const auto opened = openKvt7(args.at(1), op);
    if (!opened)
        return 1;
    Kvt7Window& window = *opened;

    auto* txteditor = window.findChild<QPlainTextEdit*>(QStringLiteral("txteditor"));
    auto* mnudownload = window.findChild<QAction*>(QStringLiteral("mnudownload"));
    if (!txteditor || !mnudownload) {
        std::fprintf(stderr, "the window has no txteditor or mnudownload\n");
        return 1;
    }
    window.activateEditor();
    // 10 MiB of received text pour into the traffic log, 4 KiB every 5 ms, as
    // a busy line's reads would, with or without the log's window open: the
    // window must add nothing that moves the download's figures.
    const QString mode = args.size() > 5 ? args.at(5) : QString();
    const bool withBurst = mode.startsWith(QLatin1String("burst"));
    const bool withTrafficLog = mode == QLatin1String("burst-with-traffic-log");
    QTimer burst;
    qint64 burstBytes = 0;
    const QByteArray chunk = QByteArray("POS=+0001234\r\n>").repeated(256).left(4096);
    if (withTrafficLog)
        window.findChild<QAction*>(QStringLiteral("mnutraffic"))->trigger();
    if (withBurst) {
        QObject::connect(&burst, &QTimer::timeout, &app, [&] {
            if (burstBytes >= 10 * 1024 * 1024)
                return burst.stop();
            window.trafficLog().recordReceived(chunk);
            burstBytes += chunk.size();
        });
        burst.start(5);
    }
    const QString program = benchProgram();
    txteditor->setPlainText(program);
    if (window.editor().text() != program) {
        std::fprintf(stderr, "the editor did not take the program whole (%lld of %lld chars)\n",
                     static_cast<long long>(window.editor().text().size()),
                     static_cast<long long>(program.size()));
        return 1;
    }
    const QList<program::ProgramLine> sentLines = program::linesToSend(program);
    int commandChars = 0;
    for (const program::ProgramLine& l : sentLines)
        commandChars += int(l.command.size());
    const int charsSent = commandChars + int(sentLines.size());
    std::printf("program: %lld lines, editor text %lld characters (CR LF counted as 2), "
                "sent %d characters (%d command characters + %lld CR)\n",
                static_cast<long long>(sentLines.size()), static_cast<long long>(program.size()),
                charsSent, commandChars, static_cast<long long>(sentLines.size()));
    // Each line waits for its reply and then for the reply's quiet period.
    const int quietMs = int(Timings{}.downloadReplyQuiet.count());
    std::printf("pacing bound per download: %d chars x 10 ms + %lld replies x (%d ms delay + %d "
                "ms quiet) = %d ms\n",
                charsSent, static_cast<long long>(sentLines.size()), replyDelayMs, quietMs,
                charsSent * 10 + int(sentLines.size()) * (replyDelayMs + quietMs));

    QList<Run> runs;
    int failed = 0;
    qsizetype logStart = 0;
    qint64 startUs = 0;
    double startCpu = 0;
    QList<qint64> replyUs;

    // Reads this download's part of kvtsim's log once the download is over.
    auto evaluate = [&](Run run) {
        const QList<Received> all = readLog(logPath);
        const QList<Received> log = all.mid(logStart);
        logStart = all.size();
        run.bytesLogged = int(log.size());
        // A tick more than a millisecond early is a real shortfall, not jitter.
        constexpr double shortSpacingMs = 9.0;
        QList<qint64> firstUs, crUs;
        bool lineStart = true;
        for (qsizetype i = 0; i < log.size(); ++i) {
            if (lineStart) {
                firstUs.append(log[i].atUs);
            } else {
                const double ms = double(log[i].atUs - log[i - 1].atUs) / 1000.0;
                run.spacingMs.append(ms);
                if (ms < shortSpacingMs) {
                    ++run.shortSpacings;
                    if (i == 1 || log[i - 2].byte == '\r')
                        ++run.shortAtLineStart;
                }
            }
            lineStart = log[i].byte == '\r';
            if (lineStart)
                crUs.append(log[i].atUs);
        }
        for (qsizetype i = 0; i < replyUs.size() && i < crUs.size(); ++i)
            if (replyUs[i] < crUs[i])
                ++run.earlyAnswers;
        for (qsizetype i = 0; i + 1 < firstUs.size() && i < replyUs.size(); ++i)
            run.reactionsMs.append(double(firstUs[i + 1] - replyUs[i]) / 1000.0);
        runs.append(run);
    };

    std::function<void()> startDownload = [&] {
        replyUs.clear();
        startCpu = cpuSeconds();
        startUs = nowUs();
        mnudownload->trigger();
        Kvt7Download* download = nullptr;
        for (Kvt7Download* d : window.findChildren<Kvt7Download*>())
            if (d->isRunning())
                download = d;
        if (!download) {
            std::fprintf(stderr, "Download did not start a transfer\n");
            app.exit(1);
            return;
        }
        QObject::connect(download, &Kvt7Download::progress, &app, [&](int answered, int) {
            if (answered > 0)
                replyUs.append(stamp.lastUs);
        });
        // The window clears its transfer in its own, earlier connection, so
        // transferRunning() is already false here: no polling needed.
        QObject::connect(
            download, &Kvt7Download::finished, &app, [&, download](TransferOutcome outcome) {
                const qint64 endUs = nowUs();
                Run run;
                run.cpuS = cpuSeconds() - startCpu;
                run.totalMs = double(endUs - startUs) / 1000.0;
                run.lines = download->total();
                run.charsSent = charsSent;
                run.boundMs = charsSent * 10.0 + run.lines * (replyDelayMs + quietMs);
                if (outcome != TransferOutcome::Complete || window.transferRunning()) {
                    std::fprintf(stderr, "download %lld did not complete (%d)\n",
                                 static_cast<long long>(runs.size() + 1), int(outcome));
                    ++failed;
                }
                // A moment for the log's last writes and the
                // window's deferred clean-up before the next one.
                QTimer::singleShot(300, &app, [&, run] {
                    evaluate(run);
                    if (failed || runs.size() == downloads)
                        app.exit(failed ? 1 : 0);
                    else
                        startDownload();
                });
            });
    };
    QTimer::singleShot(300, &app, startDownload);
    if (app.exec() != 0 || runs.isEmpty())
        return 1;

    QList<double> reactions, spacing;
    double totalMs = 0, boundMs = 0, cpuS = 0, worstRatio = 0;
    int early = 0, shortSpacings = 0, shortAtLineStart = 0;
    std::printf("%-4s %6s %6s %10s %10s %7s %12s %11s %11s %8s\n", "run", "sent", "logged",
                "total ms", "bound ms", "ratio", "react med ms", "react p99", "react max", "CPU %");
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const Run& r = runs[i];
        const double ratio = r.totalMs / r.boundMs;
        std::printf("%-4lld %6d %6d %10.1f %10.1f %7.3f %12.3f %11.3f %11.3f %8.2f\n",
                    static_cast<long long>(i + 1), r.charsSent, r.bytesLogged, r.totalMs, r.boundMs,
                    ratio, percentile(r.reactionsMs, 0.5), percentile(r.reactionsMs, 0.99),
                    percentile(r.reactionsMs, 1.0), 100.0 * r.cpuS / (r.totalMs / 1000.0));
        reactions += r.reactionsMs;
        spacing += r.spacingMs;
        totalMs += r.totalMs;
        boundMs += r.boundMs;
        cpuS += r.cpuS;
        worstRatio = std::max(worstRatio, ratio);
        early += r.earlyAnswers;
        shortSpacings += r.shortSpacings;
        shortAtLineStart += r.shortAtLineStart;
    }
    if (withBurst)
        std::printf("traffic log window %s, %.1f MiB received into the log meanwhile\n",
                    withTrafficLog ? "open" : "closed", double(burstBytes) / (1024 * 1024));
    std::printf("all %lld downloads: total/bound %.3f (worst %.3f; goal <= 1.05)\n",
                static_cast<long long>(runs.size()), totalMs / boundMs, worstRatio);
    std::printf("reaction, reply read -> next line's first byte at kvtsim (%lld samples): "
                "median %.3f ms  p99 %.3f ms  max %.3f ms (goal: median < %d ms quiet + 2 ms)\n",
                static_cast<long long>(reactions.size()), percentile(reactions, 0.5),
                percentile(reactions, 0.99), percentile(reactions, 1.0),
                int(Timings{}.downloadReplyQuiet.count()));
    std::printf("CPU during downloads: %.3f s over %.1f s = %.2f %% of one core (goal < 5 %%)\n",
                cpuS, totalMs / 1000.0, 100.0 * cpuS / (totalMs / 1000.0));
    std::printf("character spacing within lines at kvtsim (%lld intervals): min %.2f ms  "
                "median %.2f ms  p99 %.2f ms\n",
                static_cast<long long>(spacing.size()), percentile(spacing, 0.0),
                percentile(spacing, 0.5), percentile(spacing, 0.99));
    std::printf("  spacings under 9 ms: %d, of them between a line's first two characters: %d\n",
                shortSpacings, shortAtLineStart);
    std::printf("answers read before kvtsim had the line's CR: %d\n", early);
    return 0;
}
