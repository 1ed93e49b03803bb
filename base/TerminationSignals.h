#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace kvt {

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal, so the event loop can end
// normally and every destructor (the device link's above all) still runs.
// Only one instance may be installed at a time.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    bool install(QString* error);

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace kvt
