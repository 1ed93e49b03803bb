#pragma once

#include "BatchOptions.h"
#include "link/TrafficLog.h"
#include "transfer/TransferOutcome.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace kvt {
class JobRunner;
class LineWait;
class SerialLink;
class QtSerialPort;
class TransferJob;
} // namespace kvt

namespace kvt::batch {

struct PortResult {
    QString port;
    int exitCode = Exit::Success;
    QString outcome = QStringLiteral("complete");
    QString error; // why it failed, one line
    int lines = 0; // download: lines sent; upload: lines received
    qint64 bytes = 0;
    double seconds = 0;
    QString firstDifference;
    QString replies; // send: what the controller answered
};

// One controller on one port: its own port, link and waits, running the
// family's jobs one after the other (a download and its read-back), and what
// only a headless run does: the greeting's wait, send's replies, the result.
class PortRun : public QObject {
    Q_OBJECT
public:
    PortRun(const BatchOptions& options, QString device, QString programText,
            QObject* parent = nullptr);
    ~PortRun() override;

    // False with the result set when the port cannot be opened as the family needs.
    bool open();
    void start();
    // Stops the transfer as the window's Cancel does; finished() follows once
    // what the controller must still be told has gone out.
    void cancel();
    bool isDone() const { return m_done; }
    const PortResult& result() const { return m_result; }
    // Where an upload from this port goes, inside an output directory.
    static QString fileNameFor(const QString& device, const QString& suffix);

Q_SIGNALS:
    void progress(int sent, int total);
    void finished();

private:
    void run(TransferJob* job, std::function<void(TransferOutcome)> then);
    void startSend();
    void sendNext();
    // Keeps what a command's reply brought, up to its bound.
    void keepReply(const QByteArray& data);
    void awaitReplyEnd();
    void cutReply(const QString& how);
    void startDownload();
    void startUpload(bool readBack);
    void afterDownload(TransferOutcome outcome);
    // cut: what the cut at "END" lost, in words; arrived: characters received.
    void afterUpload(TransferOutcome outcome, const QString& text, const QString& cut,
                     bool readBack, qsizetype arrived = 0);
    bool writeOutput(const QString& text);
    // arrived: characters an upload received before it failed.
    void fail(TransferOutcome outcome, const QString& what, qsizetype arrived = 0);
    void end(int exitCode, const QString& outcome, const QString& error = {});
    void closeNow();

    const BatchOptions& m_options;
    QString m_device;
    QString m_text;
    TrafficLog m_traffic;
    std::unique_ptr<QtSerialPort> m_port;
    std::unique_ptr<SerialLink> m_link;
    JobRunner* m_runner;
    LineWait* m_settle = nullptr;
    LineWait* m_firstReply = nullptr;
    LineWait* m_replyEnd = nullptr;
    LineWait* m_replyLimit = nullptr; // a reply still coming after this is cut
    qint64 m_replyBytes = 0;          // of the current command's reply
    qsizetype m_nextCommand = 0;
    QElapsedTimer m_clock;
    QString m_lineProblem; // what the link said about a refused write or a lost device
    PortResult m_result;
    bool m_greeted = false;
    bool m_ending = false;
    bool m_done = false;
};

} // namespace kvt::batch
