#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace kvt::test {

// kvtsim started as a child process, for tests that talk to it through a real pty.
class SimProcess {
public:
    explicit SimProcess(QStringList arguments);
    ~SimProcess();

    bool started() const { return !m_device.isEmpty(); }
    QString device() const { return m_device; }
    QString errorText() const { return m_error; }
    // Every byte kvtsim received so far, from its --log file.
    QByteArray receivedBytes() const;
    // Ends kvtsim as if the cable were pulled: its pty goes away.
    void stop();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
    QString m_error;
};

} // namespace kvt::test
