#include "PortRun.h"

#include "ReadBack.h"
#include "base/ReplyText.h"
#include "family/JobRunner.h"
#include "family/PortSetup.h"
#include "family/Recipes.h"
#include "link/LineWait.h"
#include "link/QtSerialPort.h"
#include "link/SerialLink.h"
#include "program/ProgramFile.h"
#include "transfer/BlockDownload.h"
#include "transfer/BlockUpload.h"
#include "transfer/Kvt7Download.h"
#include "transfer/Kvt7Upload.h"
#include "transfer/ProgramLines.h"
#include "transfer/ReceiveLimit.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace kvt::batch {

namespace {

QString oneLine(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String(" ")).simplified();
}

QString seconds(milliseconds limit)
{
    return QString::number(limit.count() / 1000.0);
}

} // namespace

PortRun::PortRun(const BatchOptions& options, QString device, QString programText, QObject* parent)
    : QObject(parent), m_options(options), m_device(std::move(device)),
      m_text(std::move(programText)), m_runner(new JobRunner(this))
{
    m_result.port = m_device;
}

PortRun::~PortRun()
{
    // The jobs and waits refer to the link: they go first.
    const QObjectList own = children();
    qDeleteAll(own);
    if (m_link)
        m_link->shutDown();
}

QString PortRun::fileNameFor(const QString& device, const QString& suffix)
{
    QString name = QDir::cleanPath(device);
    while (name.startsWith(u'/'))
        name.remove(0, 1);
    name.replace(u'/', u'_').replace(u'\\', u'_').replace(u':', u'_');
    return name + suffix;
}

bool PortRun::open()
{
    // As the family's window opens its port.
    const PortSetup setup = portSetupFor(m_options.family, m_options.settings);
    PortMap map;
    map.setDevice(1, m_device);
    m_port = std::make_unique<QtSerialPort>(map);
    m_link = std::make_unique<SerialLink>(*m_port, setup.link, m_options.timings);
    m_link->setTrafficLog(&m_traffic);
    if (!m_options.logDir.isEmpty()) {
        QString error;
        const QString path = QDir(m_options.logDir).filePath(fileNameFor(m_device, ".log"));
        if (!m_traffic.writeTo(path, &error)) {
            m_result = {m_device, Exit::Usage, QStringLiteral("log not written"),
                        QStringLiteral("%1: %2").arg(path, error)};
            m_done = true;
            return false;
        }
    }
    const bool opened = m_port->open(1) && m_port->setSettings(setup.settings);
    if (!opened) {
        m_result = {m_device, Exit::PortNotOpened, QStringLiteral("port not opened"),
                    oneLine(m_port->errorString())};
        m_port->close();
        m_done = true;
        return false;
    }
    m_port->setInputLength(setup.inputLength);
    m_port->setReceiveThreshold(setup.receiveThreshold);
    m_port->setHandshaking(setup.handshaking);

    // A running job takes what arrives, and hears the watchdog, itself.
    connect(m_link.get(), &SerialLink::received, this, [this](const QByteArray& data) {
        if (!m_runner->isBusy() && m_options.verb == BatchOptions::Verb::Send && !m_ending)
            keepReply(data);
    });
    connect(m_link.get(), &SerialLink::writeFailed, this,
            [this](const QString& error) { m_lineProblem = oneLine(error); });
    connect(m_link.get(), &SerialLink::linkLost, this, [this](const QString& reason) {
        // A running job stops on its own, after this, and fails with the reason.
        m_lineProblem = oneLine(reason);
        if (!m_runner->isBusy())
            fail(TransferOutcome::LinkLost, {});
    });
    return true;
}

void PortRun::start()
{
    if (m_done || m_ending)
        return;
    if (!m_clock.isValid())
        m_clock.start();
    if (m_options.family == Family::Kvt7 && !m_greeted) {
        // A KVT7 greets when its port opens, and its jobs take any text for
        // the answer they wait for: the greeting must have passed first.
        m_greeted = true;
        m_settle = new LineWait(*m_link, LineWait::Kind::Quiet, this);
        connect(m_settle, &LineWait::ended, this, &PortRun::start);
        m_settle->start(m_options.timings.greetingQuiet);
        return;
    }
    switch (m_options.verb) {
    case BatchOptions::Verb::Download:
        startDownload();
        return;
    case BatchOptions::Verb::Upload:
        startUpload(false);
        return;
    case BatchOptions::Verb::Send:
        startSend();
        return;
    }
}

void PortRun::startSend()
{
    // Each command's answer is awaited before the next goes out, so the
    // replies read in the order of the commands: the first character within
    // the watchdog time, then until the line is quiet.
    m_firstReply = new LineWait(*m_link, LineWait::Kind::NoData, this);
    m_replyEnd = new LineWait(*m_link, LineWait::Kind::Quiet, this);
    // A controller that never falls quiet (a trickle, a flood) is waited for
    // no longer than one that never answers.
    m_replyLimit = new LineWait(*m_link, LineWait::Kind::Fixed, this);
    connect(m_replyLimit, &LineWait::ended, this, [this] {
        cutReply(QStringLiteral("after %1 s: it was still coming")
                     .arg(seconds(m_options.timings.watchdog)));
    });
    connect(m_firstReply, &LineWait::ended, this, [this](bool dataArrived) {
        if (dataArrived)
            awaitReplyEnd();
        else
            fail(TransferOutcome::NoReply, QStringLiteral("to %1").arg(toControllerUpper(
                                               m_options.commands[m_nextCommand - 1])));
    });
    connect(m_replyEnd, &LineWait::ended, this, &PortRun::sendNext);
    sendNext();
}

void PortRun::awaitReplyEnd()
{
    m_replyEnd->start(m_options.timings.replyQuiet);
    if (!m_replyLimit->isRunning())
        m_replyLimit->start(m_options.timings.watchdog);
}

void PortRun::keepReply(const QByteArray& data)
{
    // A reply is printed whole once it has ended, so it is bounded like a program.
    const qint64 room = receiveLimitBytes - m_replyBytes;
    m_replyBytes += data.size();
    if (data.size() <= room) {
        m_result.replies += fromWire(data);
        return;
    }
    m_result.replies += fromWire(data.left(room));
    cutReply(QStringLiteral("at ") + receiveLimitText());
}

void PortRun::cutReply(const QString& how)
{
    // A KVT7's greeting arrives before the first command.
    const QString reply = m_nextCommand == 0
                              ? QStringLiteral("the controller's greeting")
                              : QStringLiteral("the reply to %1")
                                    .arg(toControllerUpper(m_options.commands[m_nextCommand - 1]));
    end(Exit::Failed, QStringLiteral("cut"),
        QStringLiteral("%1: %2 was cut %3").arg(m_device, reply, how));
}

void PortRun::sendNext()
{
    if (m_ending)
        return;
    if (m_nextCommand == m_options.commands.size()) {
        end(Exit::Success, QStringLiteral("complete"));
        return;
    }
    const QString command = toControllerUpper(m_options.commands[m_nextCommand++]);
    m_replyLimit->stop();
    m_replyBytes = 0;
    // A quick controller answers before the port reports the CR written.
    const qsizetype before = m_result.replies.size();
    SerialLink::Source source(*m_link, QStringLiteral("online"));
    m_link->sendData(command, this, [this, before](SendResult result) {
        if (m_ending)
            return;
        switch (result) {
        case SendResult::Sent:
        case SendResult::Aborted:
            m_result.lines = int(m_nextCommand);
            if (m_result.replies.size() > before)
                awaitReplyEnd();
            else
                m_firstReply->start(m_options.timings.watchdog);
            return;
        case SendResult::Cancelled:
            fail(TransferOutcome::Cancelled, {});
            return;
        case SendResult::WriteFailed:
            fail(TransferOutcome::SendFailed, {});
            return;
        case SendResult::LinkLost:
            fail(TransferOutcome::LinkLost, {});
            return;
        case SendResult::Discarded:
            break;
        }
        fail(TransferOutcome::Abandoned, {});
    });
}

void PortRun::run(TransferJob* job, std::function<void(TransferOutcome)> then)
{
    connect(job, &TransferJob::progress, this, &PortRun::progress);
    connect(job, &TransferJob::finished, this, std::move(then));
    m_runner->run(job);
}

void PortRun::startDownload()
{
    const Timings& t = m_options.timings;
    switch (m_options.family) {
    case Family::Kvt7: {
        Kvt7Download* download = recipes::kvt7Download(*m_link, t, program::linesToSend(m_text));
        run(download, [this, download](TransferOutcome outcome) {
            m_result.lines = download->answered();
            if (outcome == TransferOutcome::NoReply) {
                const auto line = download->pendingLine();
                fail(outcome, QStringLiteral("%1; %2 of %3 lines were sent and answered")
                                  .arg(line ? QStringLiteral("line %1 (%2)")
                                                  .arg(line->index + 1)
                                                  .arg(line->command)
                                            : QStringLiteral("the last line"))
                                  .arg(download->answered())
                                  .arg(download->total()));
                return;
            }
            afterDownload(outcome);
        });
        return;
    }
    case Family::Kvt31_33:
    case Family::Kvt52: {
        BlockDownload* download = recipes::blockDownload(
            *m_link, t, m_options.family, program::programLines(m_text), m_options.kind);
        run(download, [this, download](TransferOutcome outcome) {
            m_result.lines = download->sent();
            if (outcome == TransferOutcome::NoReply) {
                fail(outcome, QStringLiteral("line %1 could not leave the port; %2 of %3 lines "
                                             "were sent")
                                  .arg(download->sent() + 1)
                                  .arg(download->sent())
                                  .arg(download->total()));
                return;
            }
            afterDownload(outcome);
        });
        return;
    }
    }
}

void PortRun::afterDownload(TransferOutcome outcome)
{
    if (outcome != TransferOutcome::Complete) {
        fail(outcome, {});
        return;
    }
    if (!m_options.verify) {
        end(Exit::Success, QStringLiteral("complete"));
        return;
    }
    // The controller may still be answering the last line or END; that
    // answer must not be taken for the start of the program read back.
    m_settle = new LineWait(*m_link, LineWait::Kind::Quiet, this);
    connect(m_settle, &LineWait::ended, this, [this] { startUpload(true); });
    m_settle->start(m_options.timings.quietPeriod * 5);
}

void PortRun::startUpload(bool readBack)
{
    if (m_ending)
        return;
    const Timings& t = m_options.timings;
    switch (m_options.family) {
    case Family::Kvt7: {
        const int n = readBack ? programNumber(m_text, m_options.program) : m_options.program;
        Kvt7Upload* upload = recipes::kvt7Upload(*m_link, t, n);
        run(upload, [this, upload, readBack](TransferOutcome outcome) {
            afterUpload(outcome, upload->programText(), {}, readBack);
        });
        return;
    }
    case Family::Kvt31_33:
    case Family::Kvt52: {
        BlockUpload* upload = recipes::blockUpload(*m_link, t, m_options.family, m_options.kind);
        run(upload, [this, upload, readBack](TransferOutcome outcome) {
            const program::UploadedBlock block = upload->block();
            afterUpload(outcome, block.text,
                        program::cutAtEndText(block, QStringLiteral("the output")), readBack,
                        upload->arrived());
        });
        return;
    }
    }
}

void PortRun::afterUpload(TransferOutcome outcome, const QString& text, const QString& cut,
                          bool readBack, qsizetype arrived)
{
    if (outcome != TransferOutcome::Complete) {
        fail(outcome, readBack ? QStringLiteral("reading the program back") : QString(), arrived);
        return;
    }
    if (readBack) {
        m_result.firstDifference = firstDifference(m_text, text);
        if (m_result.firstDifference.isEmpty())
            end(Exit::Success, QStringLiteral("complete"));
        else
            end(Exit::VerifyMismatch, QStringLiteral("verify mismatch"),
                QStringLiteral("%1: verify: %2").arg(m_device, m_result.firstDifference));
        return;
    }
    m_result.lines = int(text.count(QLatin1String("\r\n")));
    if (!writeOutput(text))
        return;
    // The text is kept, but it is not the whole program: that is no success.
    if (!cut.isEmpty())
        end(Exit::Failed, QStringLiteral("cut"), QStringLiteral("%1: %2").arg(m_device, cut));
    else
        end(Exit::Success, QStringLiteral("complete"));
}

bool PortRun::writeOutput(const QString& text)
{
    QString path = m_options.output;
    if (path.isEmpty() || path == QLatin1String("-")) {
        const std::optional<QByteArray> bytes = ProgramFile::encode(text);
        if (bytes &&
            std::fwrite(bytes->constData(), 1, size_t(bytes->size()), stdout) ==
                size_t(bytes->size()) &&
            std::fflush(stdout) == 0)
            return true;
        end(Exit::Failed, QStringLiteral("output not written"),
            QStringLiteral("%1: the program could not be written to standard output")
                .arg(m_device));
        return false;
    }
    if (QFileInfo(path).isDir())
        path = QDir(path).filePath(fileNameFor(m_device, ".txt"));
    ProgramFile file(path);
    if (file.write(text))
        return true;
    end(Exit::Failed, QStringLiteral("output not written"),
        QStringLiteral("%1: %2").arg(path, file.errorString()));
    return false;
}

void PortRun::fail(TransferOutcome outcome, const QString& what, qsizetype arrived)
{
    const Timings& t = m_options.timings;
    const QString detail = what.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(what);
    // The link tells the window after the job has ended; the port knows already.
    const QString problem =
        m_lineProblem.isEmpty() ? oneLine(m_port->errorString()) : m_lineProblem;
    const auto failed = [&](int code, const QString& name, const QString& reason) {
        end(code, name, QStringLiteral("%1: %2%3").arg(m_device, reason, detail));
    };
    switch (outcome) {
    case TransferOutcome::Complete:
        end(Exit::Success, QStringLiteral("complete"));
        return;
    case TransferOutcome::NoReply:
        failed(Exit::Silent, QStringLiteral("no reply"),
               QStringLiteral("the controller did not answer"));
        return;
    case TransferOutcome::TimedOut: {
        const QString limit = seconds(recipes::uploadLimit(m_options.family, t));
        failed(Exit::Silent, QStringLiteral("timed out"),
               arrived > 0 ? QStringLiteral("the controller fell silent for %1 s after sending "
                                            "part of the program (%2 characters)")
                                 .arg(limit)
                                 .arg(arrived)
                           : QStringLiteral("the controller did not send a whole program within "
                                            "%1 s")
                                 .arg(limit));
        return;
    }
    case TransferOutcome::Overflow:
        failed(Exit::Failed, QStringLiteral("overflow"),
               QStringLiteral("the controller sent more than %1 without an end")
                   .arg(receiveLimitText()));
        return;
    case TransferOutcome::SendFailed:
        failed(Exit::Failed, QStringLiteral("write refused"),
               QStringLiteral("a write was refused: %1").arg(problem));
        return;
    case TransferOutcome::LinkLost:
        failed(Exit::Failed, QStringLiteral("link lost"), problem);
        return;
    case TransferOutcome::Cancelled:
        failed(Exit::Cancelled, QStringLiteral("cancelled"), QStringLiteral("cancelled"));
        return;
    case TransferOutcome::Abandoned:
        break;
    }
    failed(Exit::Failed, QStringLiteral("abandoned"), QStringLiteral("the transfer was abandoned"));
}

void PortRun::cancel()
{
    if (m_done || m_ending)
        return;
    if (!m_runner->isBusy()) {
        // A command going out stops after its current character.
        m_link->cancel();
        fail(TransferOutcome::Cancelled, {});
        return;
    }
    // The job's own Cancel first: the four models are told with their "C".
    m_runner->cancel();
    if (m_runner->isBusy()) {
        m_runner->stop(TransferOutcome::Cancelled);
        m_link->cancel();
    }
}

void PortRun::end(int exitCode, const QString& outcome, const QString& error)
{
    if (std::exchange(m_ending, true))
        return;
    m_result.exitCode = exitCode;
    m_result.outcome = outcome;
    m_result.error = error;
    m_result.seconds = m_clock.isValid() ? m_clock.elapsed() / 1000.0 : 0;
    for (LineWait* wait : {m_settle, m_firstReply, m_replyEnd, m_replyLimit})
        if (wait)
            wait->stop();
    m_runner->stop(TransferOutcome::Abandoned);
    // Once the job's cancel has sent what the controller must still be told.
    m_link->whenSent(this, [this] { closeNow(); });
}

void PortRun::closeNow()
{
    if (std::exchange(m_done, true))
        return;
    m_link->shutDown();
    m_port->close();
    m_result.bytes = m_traffic.sentBytes() + m_traffic.receivedBytes();
    Q_EMIT finished();
}

} // namespace kvt::batch
