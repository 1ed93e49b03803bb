#include "BatchRun.h"

#include "PortRun.h"
#include "program/EditorProfile.h"
#include "program/ProgramFile.h"
#include "transfer/Kvt31_33Instructions.h"
#include "transfer/ProgramLines.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include "base/TerminationSignals.h"
#include <unistd.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace kvt::batch {

namespace {

void printErr(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

EditorProfile editorProfile(Family family)
{
    switch (family) {
    case Family::Kvt7:
        return EditorProfile::kvt7();
    case Family::Kvt31_33:
        return EditorProfile::kvt31_33();
    case Family::Kvt52:
        break;
    }
    return EditorProfile::kvt52();
}

bool isTerminal(int fd)
{
#ifdef Q_OS_UNIX
    return ::isatty(fd) == 1;
#else
    Q_UNUSED(fd);
    return false;
#endif
}

// What a refused command line was given for --port, as far as it can be
// read without the parser that refused it.
QJsonValue portsGiven(const QStringList& arguments)
{
    QJsonArray ports;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if ((a == QLatin1String("--port") || a == QLatin1String("-port")) &&
            i + 1 < arguments.size())
            ports.append(arguments[++i]);
        else if (a.startsWith(QLatin1String("--port=")))
            ports.append(a.mid(7));
    }
    if (ports.isEmpty())
        return QJsonValue();
    return ports.size() == 1 ? ports.first() : QJsonValue(ports);
}

// Exit status 2. A script that asked for --json reads its answer on standard
// output whatever went wrong, so it gets an object there too.
int refuse(const QStringList& arguments, const QString& error, bool withHelp)
{
    printErr(
        QStringLiteral("kvtcomm: %1\n").arg(error) +
        (withHelp ? QStringLiteral("Try 'kvtcomm --help' for more information.\n") : QString()));
    if (!arguments.contains(QLatin1String("--json")) && !arguments.contains(QLatin1String("-json")))
        return Exit::Usage;
    const QJsonObject object{{QStringLiteral("port"), portsGiven(arguments)},
                             {QStringLiteral("outcome"), QStringLiteral("usage")},
                             {QStringLiteral("exitStatus"), Exit::Usage},
                             {QStringLiteral("error"), error}};
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return Exit::Usage;
}

} // namespace

BatchRun::BatchRun(BatchOptions options, QString programText, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_text(std::move(programText))
{
}

BatchRun::~BatchRun() = default;

void BatchRun::start()
{
    m_terminal = isTerminal(2);
    for (const QString& device : std::as_const(m_options.ports)) {
        auto* run = new PortRun(m_options, device, m_text, this);
        const int index = int(m_runs.size());
        m_runs << run;
        m_progress << QStringLiteral("%1: waiting").arg(device);
        connect(run, &PortRun::progress, this, [this, index, device](int sent, int total) {
            showLine(index,
                     QStringLiteral("%1: %2 of %3 lines sent").arg(device).arg(sent).arg(total));
        });
        connect(run, &PortRun::finished, this, [this, index, run] {
            if (m_terminal)
                showLine(index,
                         QStringLiteral("%1: %2").arg(run->result().port, run->result().outcome));
            portFinished();
        });
    }
    bool anyOpen = false;
    for (PortRun* run : std::as_const(m_runs)) {
        const bool opened = run->open();
        anyOpen = opened || anyOpen;
        if (!opened)
            m_progress[m_runs.indexOf(run)] =
                QStringLiteral("%1: %2").arg(run->result().port, run->result().outcome);
    }
    if (!anyOpen) {
        report();
        return;
    }
    if (m_options.family == Family::Kvt31_33) {
        const bool download = m_options.verb == BatchOptions::Verb::Download;
        QString text = download ? kvt31_33::downloadInstructions() : kvt31_33::uploadInstructions();
        // The window's buttons are Enter and Ctrl+C here.
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        printErr(text.trimmed() + QStringLiteral("\n\n"));
        if (download && isTerminal(0)) {
            printErr(QStringLiteral("Press Enter when the controller shows <Receiving  Program>; "
                                    "Ctrl+C cancels.\n"));
            waitForEnter();
            return;
        }
    }
    startTransfers();
}

void BatchRun::waitForEnter()
{
    m_stdin = std::make_unique<QSocketNotifier>(0, QSocketNotifier::Read);
    connect(m_stdin.get(), &QSocketNotifier::activated, this, [this] {
        char buffer[256];
#ifdef Q_OS_UNIX
        const ssize_t got = ::read(0, buffer, sizeof buffer);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
#else
        const qint64 got = 0;
#endif
        // Enter, or the end of the input: nobody is left to press it.
        if (got > 0 && !QByteArray(buffer, int(got)).contains('\n'))
            return;
        // Not deleted while it is still telling of this input.
        m_stdin.release()->deleteLater();
        startTransfers();
    });
}

void BatchRun::startTransfers()
{
    for (PortRun* run : std::as_const(m_runs))
        run->start();
}

void BatchRun::cancel()
{
    if (m_stdin)
        m_stdin.release()->deleteLater();
    for (PortRun* run : std::as_const(m_runs))
        run->cancel();
}

void BatchRun::showLine(int index, const QString& text)
{
    m_progress[index] = text;
    if (!m_terminal) {
        printErr(m_progress[index] + u'\n');
        return;
    }
    // One line per port, drawn over on every change.
    QString screen;
    if (m_drawn)
        screen += QStringLiteral("\x1b[%1A").arg(m_progress.size());
    for (const QString& line : std::as_const(m_progress))
        screen += QStringLiteral("\r\x1b[K") + line + u'\n';
    m_drawn = true;
    printErr(screen);
}

void BatchRun::portFinished()
{
    for (const PortRun* run : std::as_const(m_runs))
        if (!run->isDone())
            return;
    report();
}

void BatchRun::printReplies(const PortResult& r) const
{
    if (m_options.verb != BatchOptions::Verb::Send)
        return;
    QString text = r.replies;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    if (m_options.ports.size() > 1)
        text.prepend(QStringLiteral("== %1\n").arg(r.port));
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

void BatchRun::report()
{
    // The first failure in the order the ports were given.
    for (const PortRun* run : std::as_const(m_runs)) {
        const PortResult& r = run->result();
        if (r.exitCode != Exit::Success && m_status == Exit::Success)
            m_status = r.exitCode;
        if (!r.error.isEmpty())
            printErr(QStringLiteral("kvtcomm: %1\n").arg(r.error));
        if (!m_options.json) {
            printReplies(r);
            continue;
        }
        QJsonObject object{
            {QStringLiteral("port"), r.port},
            {QStringLiteral("model"), m_options.model},
            {QStringLiteral("outcome"), r.outcome},
            {QStringLiteral("exitStatus"), r.exitCode},
            {QStringLiteral("lines"), r.lines},
            {QStringLiteral("bytes"), r.bytes},
            {QStringLiteral("seconds"), r.seconds},
            {QStringLiteral("firstDifference"),
             r.firstDifference.isEmpty() ? QJsonValue() : QJsonValue(r.firstDifference)},
            {QStringLiteral("error"), r.error.isEmpty() ? QJsonValue() : QJsonValue(r.error)}};
        if (m_options.verb == BatchOptions::Verb::Send)
            object.insert(QStringLiteral("replies"), r.replies);
        std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
        std::fputc('\n', stdout);
    }
    // A reader gone away (kvtcomm ... | head) must not pass for a result delivered.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        printErr(QStringLiteral("kvtcomm: the result could not be written to standard output\n"));
        if (m_status == Exit::Success)
            m_status = Exit::Failed;
    }
    Q_EMIT finished(m_status);
}

int runBatch(const QStringList& arguments)
{
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        std::fputs(BatchOptions::helpText().toLocal8Bit().constData(), stdout);
        return Exit::Success;
    }
#ifdef Q_OS_UNIX
    // A closed pipe is told as output not written, not by a silent death.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    auto parsed = BatchOptions::parse(arguments);
    if (const QString* error = std::get_if<QString>(&parsed))
        return refuse(arguments, *error, true);
    BatchOptions options = std::get<BatchOptions>(std::move(parsed));
    QString text;
    if (options.verb == BatchOptions::Verb::Download) {
        ProgramFile file(options.file);
        const std::optional<QString> read = file.read();
        if (!read)
            return refuse(arguments, QStringLiteral("%1: %2").arg(options.file, file.errorString()),
                          false);
        text = *read;
        // The window would load only the front of it; sending that front, or
        // more than the window ever sends, would store a program nobody wrote.
        const qsizetype limit = editorProfile(options.family).characterLimit;
        if (limit > 0 && text.size() > limit)
            return refuse(arguments,
                          QStringLiteral("%1: holds a program of %2 characters; the %3 editor "
                                         "holds %4")
                              .arg(options.file)
                              .arg(text.size())
                              .arg(options.model.toUpper())
                              .arg(limit),
                          false);
        // Sent anyway, it would replace a stored block by an empty one.
        if (program::linesToSend(text).isEmpty())
            return refuse(arguments, QStringLiteral("%1: holds no program line").arg(options.file),
                          false);
        // The window asks whether to go on; a script cannot answer, so it is
        // told and the download goes on. A KVT7 program knows no END.
        const auto end = options.family == Family::Kvt7
                             ? std::nullopt
                             : program::earlyEnd(program::programLines(text));
        if (end)
            printErr(QStringLiteral("kvtcomm: %1: line %2 (%3) begins with END, which ends the "
                                    "controller's storing: %4 will not be stored\n")
                         .arg(options.file, QString::number(end->line.index + 1), end->line.command,
                              end->linesAfter == 1
                                  ? QStringLiteral("the line after it")
                                  : QStringLiteral("the %1 lines after it").arg(end->linesAfter)));
    }

    BatchRun run(std::move(options), text);
#ifdef Q_OS_UNIX
    TerminationSignals stopSignals;
    QString error;
    if (stopSignals.install(&error))
        QObject::connect(&stopSignals, &TerminationSignals::received, &run, &BatchRun::cancel);
    else
        printErr(QStringLiteral("kvtcomm: %1; Ctrl+C ends without cancelling\n").arg(error));
#endif
    QObject::connect(&run, &BatchRun::finished, qApp, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    run.start();
    QCoreApplication::exec();
    return run.exitStatus();
}

} // namespace kvt::batch
