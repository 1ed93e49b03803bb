#pragma once

#include "LineSettings.h"
#include "NetworkAddress.h"
#include "SerialPort.h"
#include "TelnetCodec.h"

#include <QMap>
#include <QSet>
#include <QTcpSocket>

#include <chrono>
#include <optional>
#include <utility>

namespace kvt {

// The line to a controller behind a serial device server: TCP, and over
// RFC 2217 the Telnet framing and the server's serial settings. What the
// server sends is taken in as far as the port reads it, so a flood is held
// back by TCP instead of filling memory.
class NetworkLine : public QObject {
    Q_OBJECT
public:
    // A port is opened, and its settings made, in one call: these bound how
    // long the window may wait on a server that does not answer.
    static constexpr std::chrono::milliseconds connectLimit{3000};
    static constexpr std::chrono::milliseconds replyLimit{2000};
    static constexpr qint64 inputLimit = 64 * 1024;

    explicit NetworkLine(QObject* parent = nullptr);
    ~NetworkLine() override;

    bool open(const NetworkAddress& address);
    bool isOpen() const { return m_open; }
    void close();
    QString errorString() const { return m_error; }

    // Asks an RFC 2217 server for the settings; false, with the reason, when
    // it did not take them all. A raw TCP server is asked nothing: its own
    // settings are the line's.
    bool apply(const LineSettings& wanted, Handshaking handshaking);
    QString settingsInEffect() const;

    // Whether a connection to the server was taken since the last call; asks
    // again in the background, so a server that is down (or a host that
    // does not answer at all) never holds the caller up.
    bool serverAnswers(const NetworkAddress& address);

    bool write(const QByteArray& data);
    qint64 bytesAvailable() const { return m_input.size(); }
    qint64 bytesToWrite() const;
    QByteArray read(qint64 maxSize);
    void discardOutput();

Q_SIGNALS:
    void readyRead();
    void bytesWritten();
    void lost(const QString& reason);

private:
    bool speaksTelnet() const { return m_address.kind == NetworkAddress::Kind::Rfc2217; }
    // Moves what the socket holds into the input, up to the limit; true when
    // the input grew.
    bool takeIn();
    // Told later where the reader is in the middle of a read or a settings
    // change, so it is not re-entered.
    void tellInputLater();
    void onSocketReadyRead();
    void answer(const telnet::Reader::Command& command);
    void say(quint8 verb, quint8 option);
    bool awaitReplies(const QList<quint8>& codes);
    void onConnectionEnded();

    QTcpSocket m_socket;
    QTcpSocket m_probe;
    bool m_probeAnswered = false;
    NetworkAddress m_address;
    telnet::Reader m_reader;
    QByteArray m_input;
    QMap<quint8, QByteArray> m_replies;
    QSet<int> m_said;
    bool m_open = false;
    bool m_serverRefusedSettings = false;
    bool m_awaitingReplies = false;
    // What the server reports it set; and the request it last took whole.
    std::optional<LineSettings> m_inEffect;
    std::optional<std::pair<LineSettings, Handshaking>> m_taken;
    QString m_error;
};

} // namespace kvt
