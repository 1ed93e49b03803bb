#include "TelnetCodec.h"

#include <QtEndian>

namespace kvt {

namespace telnet {

QByteArray escaped(const QByteArray& data)
{
    if (!data.contains(char(iac)))
        return data;
    QByteArray out;
    out.reserve(data.size() + 8);
    for (const char c : data) {
        out.append(c);
        if (quint8(c) == iac)
            out.append(c);
    }
    return out;
}

QByteArray negotiation(quint8 verb, quint8 option)
{
    const char bytes[] = {char(iac), char(verb), char(option)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray subnegotiation(quint8 option, const QByteArray& parameters)
{
    return negotiation(sb, option) + escaped(parameters) + char(iac) + char(se);
}

QByteArray Reader::read(const QByteArray& piece, QList<Command>* commands)
{
    QByteArray data;
    data.reserve(piece.size());
    for (const char c : piece) {
        const auto byte = quint8(c);
        switch (m_state) {
        case State::Data:
            if (byte == iac)
                m_state = State::Command;
            else
                data.append(c);
            break;
        case State::Command:
            if (byte == iac) {
                data.append(c);
                m_state = State::Data;
            } else if (byte == will || byte == wont || byte == doIt || byte == dont || byte == sb) {
                m_verb = byte;
                m_state = State::Option;
            } else {
                m_state = State::Data; // NOP, go-ahead and the like carry nothing for us
            }
            break;
        case State::Option:
            if (m_verb == sb) {
                m_sub = QByteArray(1, c);
                m_state = State::Sub;
            } else {
                commands->append({m_verb, byte, {}});
                m_state = State::Data;
            }
            break;
        case State::Sub:
            if (byte == iac)
                m_state = State::SubCommand;
            else if (m_sub.size() <= subnegotiationLimit)
                m_sub.append(c);
            break;
        case State::SubCommand:
            if (byte == se) {
                commands->append({sb, quint8(m_sub.at(0)), m_sub.mid(1)});
                m_state = State::Data;
            } else {
                // A doubled 0xFF is a parameter byte; anything else ends it badly,
                // and what follows is taken as data again rather than lost.
                if (byte == iac && m_sub.size() <= subnegotiationLimit)
                    m_sub.append(c);
                m_state = byte == iac ? State::Sub : State::Data;
            }
            break;
        }
    }
    return data;
}

} // namespace telnet

namespace rfc2217 {

QByteArray command(quint8 code, const QByteArray& value)
{
    return telnet::subnegotiation(telnet::comPortOption, char(code) + value);
}

QByteArray baudValue(quint32 baud)
{
    QByteArray value(4, '\0');
    qToBigEndian(baud, value.data());
    return value;
}

} // namespace rfc2217

} // namespace kvt
