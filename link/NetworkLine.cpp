#include "NetworkLine.h"

#include <QDeadlineTimer>
#include <QtEndian>

#include <utility>

#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace kvt {

namespace {

using Command = telnet::Reader::Command;

// Indexed by LineSettings::Parity and LineSettings::StopBits.
constexpr quint8 parityCodes[] = {rfc2217::parityNone, rfc2217::parityEven, rfc2217::parityOdd,
                                  rfc2217::parityMark, rfc2217::paritySpace};
constexpr quint8 stopCodes[] = {rfc2217::stopOne, rfc2217::stopOneAndHalf, rfc2217::stopTwo};

template <std::size_t N> int indexOf(const quint8 (&codes)[N], const QByteArray& value, int missing)
{
    for (std::size_t i = 0; i < N; ++i)
        if (value.size() == 1 && quint8(value.at(0)) == codes[i])
            return int(i);
    return missing;
}

bool acceptedOption(quint8 option)
{
    return option == telnet::binary || option == telnet::suppressGoAhead;
}

} // namespace

NetworkLine::NetworkLine(QObject* parent) : QObject(parent)
{
    // Beyond this TCP holds the server back: a flood fills no memory of ours.
    m_socket.setReadBufferSize(inputLimit);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetworkLine::onSocketReadyRead);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, &NetworkLine::bytesWritten);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetworkLine::onConnectionEnded);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetworkLine::onConnectionEnded);
    connect(&m_probe, &QTcpSocket::connected, this, [this] {
        m_probeAnswered = true;
        m_probe.abort();
    });
    connect(&m_probe, &QTcpSocket::errorOccurred, this, [this] { m_probe.abort(); });
}

NetworkLine::~NetworkLine()
{
    // The socket says goodbye as it goes, when the port that owns this line
    // is already half gone: nobody is to hear of it.
    m_open = false;
    disconnect(&m_socket, nullptr, this, nullptr);
    disconnect(&m_probe, nullptr, this, nullptr);
}

bool NetworkLine::open(const NetworkAddress& address)
{
    close();
    m_address = address;
    m_reader = {};
    m_replies.clear();
    m_said.clear();
    m_serverRefusedSettings = false;
    m_inEffect.reset();
    m_taken.reset();
    m_socket.connectToHost(address.host, address.port);
    if (!m_socket.waitForConnected(int(connectLimit.count()))) {
        const QString reason =
            m_socket.error() == QAbstractSocket::SocketTimeoutError
                ? QStringLiteral("no answer within %1 s").arg(connectLimit.count() / 1000)
                : m_socket.errorString();
        m_error = QStringLiteral("Cannot connect to %1: %2").arg(address.hostAndPort(), reason);
        m_socket.abort();
        return false;
    }
    // Each paced character must leave at once, not wait to be sent with the next.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_open = true;
    if (speaksTelnet()) {
        // Binary both ways, or the server would take a CR for the end of a
        // Telnet line and add to it.
        say(telnet::will, telnet::comPortOption);
        for (const quint8 option : {telnet::binary, telnet::suppressGoAhead}) {
            say(telnet::will, option);
            say(telnet::doIt, option);
        }
    }
    return true;
}

void NetworkLine::close()
{
    m_open = false;
    m_input.clear();
    m_socket.abort();
}

bool NetworkLine::apply(const LineSettings& wanted, Handshaking handshaking)
{
    // Asked again for what it took on this connection, a server would only
    // hold the port up for another round trip.
    if (!speaksTelnet() || !m_open || m_taken == std::pair{wanted, handshaking})
        return true;
    m_taken.reset();
    const quint8 control =
        handshaking == Handshaking::RtsCts ? rfc2217::controlHardwareFlow : rfc2217::controlNoFlow;
    const std::pair<quint8, QByteArray> asks[] = {
        {rfc2217::setBaudRate, rfc2217::baudValue(quint32(wanted.baud))},
        {rfc2217::setDataSize, QByteArray(1, char(wanted.dataBits))},
        {rfc2217::setParity, QByteArray(1, char(parityCodes[int(wanted.parity)]))},
        {rfc2217::setStopSize, QByteArray(1, char(stopCodes[int(wanted.stopBits)]))},
        {rfc2217::setControl, QByteArray(1, char(control))},
    };
    QList<quint8> replies;
    for (const auto& [code, value] : asks) {
        m_replies.remove(quint8(code + rfc2217::serverReply));
        replies << quint8(code + rfc2217::serverReply);
        m_socket.write(rfc2217::command(code, value));
    }
    m_socket.flush();
    const bool answered = awaitReplies(replies);
    if (m_serverRefusedSettings) {
        m_error = QStringLiteral("The server at %1 takes no line settings over RFC 2217: set them "
                                 "on the server and use tcp://%1 instead.")
                      .arg(m_address.hostAndPort());
        return false;
    }
    if (!answered) {
        m_error = QStringLiteral("The server at %1 did not confirm the line settings within %2 s: "
                                 "the line may not run as chosen.")
                      .arg(m_address.hostAndPort())
                      .arg(replyLimit.count() / 1000);
        return false;
    }
    const auto reply = [this](quint8 code) {
        return m_replies.value(quint8(code + rfc2217::serverReply));
    };
    LineSettings inEffect = wanted;
    if (const QByteArray baud = reply(rfc2217::setBaudRate); baud.size() == 4)
        inEffect.baud = qint32(qFromBigEndian<quint32>(baud.constData()));
    if (const QByteArray bits = reply(rfc2217::setDataSize); bits.size() == 1)
        inEffect.dataBits = quint8(bits.at(0));
    inEffect.parity =
        LineSettings::Parity(indexOf(parityCodes, reply(rfc2217::setParity), int(wanted.parity)));
    inEffect.stopBits = LineSettings::StopBits(
        indexOf(stopCodes, reply(rfc2217::setStopSize), int(wanted.stopBits)));
    m_inEffect = inEffect;
    QStringList refused = refusedParts(wanted, inEffect);
    if (reply(rfc2217::setControl) != QByteArray(1, char(control)))
        refused.prepend(handshaking == Handshaking::RtsCts ? QStringLiteral("RTS/CTS handshaking")
                                                           : QStringLiteral("no handshaking"));
    if (refused.isEmpty()) {
        m_taken = {wanted, handshaking};
        return true;
    }
    m_error = refusedSettingsText(m_address.toString(), refused, inEffect);
    return false;
}

QString NetworkLine::settingsInEffect() const
{
    if (!m_open)
        return {};
    if (!speaksTelnet())
        return QStringLiteral("line settings as set on the server");
    return m_inEffect ? m_inEffect->toString() : QString();
}

bool NetworkLine::awaitReplies(const QList<quint8>& codes)
{
    const auto allThere = [&] {
        return std::all_of(codes.cbegin(), codes.cend(),
                           [this](quint8 code) { return m_replies.contains(code); });
    };
    const QDeadlineTimer deadline(replyLimit);
    // The socket tells of input inside its wait, while the caller is still
    // in the middle of a settings change: the reader hears of it afterwards.
    m_awaitingReplies = true;
    while (!allThere() && !m_serverRefusedSettings && m_open) {
        // The socket's readyRead, emitted inside the wait, takes the replies in.
        if (!m_socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    m_awaitingReplies = false;
    return allThere();
}

bool NetworkLine::serverAnswers(const NetworkAddress& address)
{
    if (std::exchange(m_probeAnswered, false))
        return true;
    if (m_probe.state() == QAbstractSocket::UnconnectedState)
        m_probe.connectToHost(address.host, address.port);
    return false;
}

bool NetworkLine::write(const QByteArray& data)
{
    const QByteArray out = speaksTelnet() ? telnet::escaped(data) : data;
    if (m_socket.write(out) != out.size()) {
        m_error = m_socket.errorString();
        return false;
    }
    m_socket.flush();
    return true;
}

qint64 NetworkLine::bytesToWrite() const
{
    if (!m_open)
        return 0;
    qint64 queued = m_socket.bytesToWrite();
#ifdef Q_OS_LINUX
    // What the system has not yet had acknowledged by the server counts as
    // not yet sent: the server may still be gone before it arrives.
    int unsent = 0;
    if (::ioctl(int(m_socket.socketDescriptor()), TIOCOUTQ, &unsent) == 0 && unsent > 0)
        queued += unsent;
#endif
    return queued;
}

QByteArray NetworkLine::read(qint64 maxSize)
{
    const QByteArray out = m_input.left(maxSize);
    m_input.remove(0, out.size());
    if (takeIn())
        tellInputLater();
    return out;
}

void NetworkLine::discardOutput()
{
    // What already went out is with the server: it is asked to drop it there.
    if (m_open && speaksTelnet()) {
        m_socket.write(
            rfc2217::command(rfc2217::purgeData, QByteArray(1, char(rfc2217::purgeServerOutput))));
        m_socket.flush();
    }
}

bool NetworkLine::takeIn()
{
    const qsizetype before = m_input.size();
    while (m_open && m_input.size() < inputLimit && m_socket.bytesAvailable() > 0) {
        const QByteArray piece = m_socket.read(inputLimit - m_input.size());
        if (!speaksTelnet()) {
            m_input += piece;
            continue;
        }
        QList<Command> commands;
        m_input += m_reader.read(piece, &commands);
        for (const Command& command : commands)
            answer(command);
    }
    return m_input.size() > before;
}

void NetworkLine::tellInputLater()
{
    QMetaObject::invokeMethod(this, &NetworkLine::readyRead, Qt::QueuedConnection);
}

void NetworkLine::onSocketReadyRead()
{
    if (!takeIn())
        return;
    if (m_awaitingReplies)
        tellInputLater();
    else
        Q_EMIT readyRead();
}

void NetworkLine::answer(const Command& command)
{
    switch (command.verb) {
    case telnet::will:
        say(acceptedOption(command.option) ? telnet::doIt : telnet::dont, command.option);
        break;
    case telnet::doIt:
        say(acceptedOption(command.option) || command.option == telnet::comPortOption
                ? telnet::will
                : telnet::wont,
            command.option);
        break;
    case telnet::dont:
        if (command.option == telnet::comPortOption)
            m_serverRefusedSettings = true;
        break;
    case telnet::sb:
        if (command.option == telnet::comPortOption && !command.parameters.isEmpty())
            m_replies.insert(quint8(command.parameters.at(0)), command.parameters.mid(1));
        break;
    default:
        break;
    }
}

void NetworkLine::say(quint8 verb, quint8 option)
{
    // Each answer once: two sides that answer every answer never stop.
    if (m_said.contains(verb << 8 | option))
        return;
    m_said.insert(verb << 8 | option);
    m_socket.write(telnet::negotiation(verb, option));
    m_socket.flush();
}

void NetworkLine::onConnectionEnded()
{
    if (!m_open || m_socket.state() == QAbstractSocket::ConnectedState)
        return;
    const QString reason =
        m_socket.error() == QAbstractSocket::RemoteHostClosedError
            ? QStringLiteral("The server at %1 closed the connection.").arg(m_address.hostAndPort())
            : QStringLiteral("The connection to %1 failed: %2")
                  .arg(m_address.hostAndPort(), m_socket.errorString());
    m_open = false;
    m_input.clear();
    m_socket.abort();
    Q_EMIT lost(reason);
}

} // namespace kvt
