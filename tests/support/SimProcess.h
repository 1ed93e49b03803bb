#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kvt::test {

// How long an end-to-end wait may take on a busy shared machine: a limit that
// only a fault reaches, never a measurement.
inline constexpr int slowMachineMs = 60000;

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

    // Keypad models: one line of keys on kvtsim's standard input, e.g.
    // "NO +/- +/- ENT". False when it could not be written.
    bool pressKeys(const QString& keys);
    // True once kvtsim has shown text on its display since the display last
    // waited for, which is where the next wait starts: waits in a row follow
    // the display in order. Runs the event loop while it waits, so a window
    // under test keeps talking to kvtsim meanwhile.
    bool waitForDisplay(const QString& text, int timeoutMs = slowMachineMs);
    // True once kvtsim has noticed a host opening its device, in order with
    // the display texts; before that, what it sends is lost.
    bool waitForHost(int timeoutMs = slowMachineMs)
    {
        return waitForDisplay(hostConnected, timeoutMs);
    }

    static inline const QString hostConnected = QStringLiteral("host: connected");

private:
    void readOutput();

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
    QString m_error;
    // Display texts printed and not yet waited for, oldest first.
    QStringList m_displays;
};

} // namespace kvt::test
