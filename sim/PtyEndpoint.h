#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class QSocketNotifier;

namespace kvt::sim {

// The controller's end of a pseudo-terminal. A host opens slaveName() as if
// it were a serial port.
//
// While no host has the slave open, Linux reports hang-up on the master
// constantly; watching the master then would spin. So the master is only
// watched while a host is there, and a slow timer looks for the next host in
// between. The simulator itself never keeps the slave open, because then the
// hang-up, and with it a host's arrival, could not be seen. A host that closes
// and re-opens the slave within one check interval goes unnoticed.
class PtyEndpoint : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds lineCheckInterval{150};
    // Beyond this much output the host has not taken yet, input is left
    // unread until the host catches up, as flow control would do; the timer
    // then watches for the host leaving.
    static constexpr qsizetype outputBacklogLimit = 4096;

    explicit PtyEndpoint(QObject* parent = nullptr);
    ~PtyEndpoint() override;

    bool open(QString* error);
    QString slaveName() const { return m_slaveName; }
    bool clientPresent() const { return m_clientPresent; }

    // Output for a host that has gone is dropped.
    void write(const QByteArray& bytes);
    // Written, but not yet taken by the pseudo-terminal.
    qsizetype unsentBytes() const { return m_output.size(); }
    // While held, input is left unread, as flow control would leave it: the
    // host's writes stall instead of piling up replies here.
    void holdInput(bool hold);

Q_SIGNALS:
    // One read of the master; receivedAtUs is the monotonic clock, in
    // microseconds, just before the read.
    void received(const QByteArray& bytes, qint64 receivedAtUs);
    void clientConnected();
    void clientDisconnected();
    // Everything written has been taken by the pseudo-terminal.
    void outputDrained();

private:
    void checkLine();
    void readMaster();
    void flushOutput();
    void loseClient();
    void discardUnreadOutput();
    void updateNotifiers();

    int m_master = -1;
    QString m_slaveName;
    bool m_clientPresent = false;
    bool m_inputHeld = false;
    QByteArray m_output;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QTimer m_lineCheck;
};

} // namespace kvt::sim
