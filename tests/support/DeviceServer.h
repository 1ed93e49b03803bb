#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace kvt::test {

// ser2net, the serial device server, in front of a device on a loopback TCP
// port, taking line settings over RFC 2217: a controller on the network.
class DeviceServer {
public:
    explicit DeviceServer(const QString& device);
    ~DeviceServer();

    // Starts it, again on the same port after stop(); true once it listens.
    bool start();
    // Ends it as a server switched off would: its connections drop.
    void stop();
    QString url() const;
    QString errorText() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace kvt::test
