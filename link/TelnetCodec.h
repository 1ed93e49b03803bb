#pragma once

#include <QByteArray>
#include <QList>

namespace kvt {

// The Telnet framing a serial device server speaks (RFC 854), with the serial
// line's options of RFC 2217. Over it every byte 0xFF of the line's data is
// sent twice, and the server's commands come between the data bytes.
namespace telnet {
inline constexpr quint8 se = 240;
inline constexpr quint8 sb = 250;
inline constexpr quint8 will = 251;
inline constexpr quint8 wont = 252;
inline constexpr quint8 doIt = 253;
inline constexpr quint8 dont = 254;
inline constexpr quint8 iac = 255;

inline constexpr quint8 binary = 0;
inline constexpr quint8 echo = 1;
inline constexpr quint8 suppressGoAhead = 3;
inline constexpr quint8 comPortOption = 44;

QByteArray escaped(const QByteArray& data);
QByteArray negotiation(quint8 verb, quint8 option);
QByteArray subnegotiation(quint8 option, const QByteArray& parameters);

// Takes the server's stream in whatever pieces it arrives and gives back the
// line's data, with the commands found between, in order.
class Reader {
public:
    struct Command {
        quint8 verb = 0; // will, wont, doIt, dont, or sb with its parameters
        quint8 option = 0;
        QByteArray parameters;
        friend bool operator==(const Command&, const Command&) = default;
    };

    // What a subnegotiation may hold; the rest of a longer one is dropped, so
    // a server gone mad cannot fill memory with one.
    static constexpr qsizetype subnegotiationLimit = 64;

    QByteArray read(const QByteArray& piece, QList<Command>* commands);

private:
    enum class State { Data, Command, Option, Sub, SubCommand };
    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_sub;
};
} // namespace telnet

// The serial line over Telnet (RFC 2217): what the client asks, and the
// server's answer to each, which carries the code plus 100 and what it set.
namespace rfc2217 {
inline constexpr quint8 setBaudRate = 1;
inline constexpr quint8 setDataSize = 2;
inline constexpr quint8 setParity = 3;
inline constexpr quint8 setStopSize = 4;
inline constexpr quint8 setControl = 5;
inline constexpr quint8 purgeData = 12;
inline constexpr quint8 serverReply = 100;

inline constexpr quint8 parityNone = 1, parityOdd = 2, parityEven = 3, parityMark = 4,
                        paritySpace = 5;
inline constexpr quint8 stopOne = 1, stopTwo = 2, stopOneAndHalf = 3;
inline constexpr quint8 controlNoFlow = 1, controlHardwareFlow = 3;
inline constexpr quint8 purgeServerOutput = 2;

QByteArray command(quint8 code, const QByteArray& value);
QByteArray baudValue(quint32 baud);
} // namespace rfc2217

} // namespace kvt
