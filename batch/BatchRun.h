#pragma once

#include "BatchOptions.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>

class QSocketNotifier;

namespace kvt::batch {

class PortRun;
struct PortResult;

// The transfers of one command line, side by side on this thread, one per
// port; a port that fails never stops the others.
class BatchRun : public QObject {
    Q_OBJECT
public:
    BatchRun(BatchOptions options, QString programText, QObject* parent = nullptr);
    ~BatchRun() override;

    // Opens the ports and starts; finished() tells the exit status.
    void start();
    // SIGINT, SIGTERM: every transfer stops as its window's Cancel would.
    void cancel();
    int exitStatus() const { return m_status; }

Q_SIGNALS:
    void finished(int status);

private:
    void startTransfers();
    void waitForEnter();
    // One line per port on a terminal, drawn over; else printed as it comes.
    void showLine(int index, const QString& text);
    void portFinished();
    void report();
    void printReplies(const PortResult& result) const;

    BatchOptions m_options;
    QString m_text;
    QList<PortRun*> m_runs;
    QStringList m_progress;
    std::unique_ptr<QSocketNotifier> m_stdin;
    bool m_terminal = false;
    bool m_drawn = false;
    int m_status = Exit::Success;
};

// The headless commands: arguments from the verb on. Needs a QCoreApplication.
int runBatch(const QStringList& arguments);

} // namespace kvt::batch
