#pragma once

#include <QString>

#include <optional>

namespace kvt {

// A controller behind a serial device server on the network, written where a
// device name goes: rfc2217://HOST:PORT for a server that takes the line
// settings over Telnet (RFC 2217), tcp://HOST:PORT (or socket://) for one that
// passes bytes as they are and keeps the settings made on the box.
struct NetworkAddress {
    enum class Kind { Rfc2217, RawTcp };

    Kind kind = Kind::Rfc2217;
    QString host;
    quint16 port = 0;

    // Anything of the form scheme://... is taken for a network port, so a
    // mistyped one is refused with a reason instead of being opened as a file.
    static bool looksLikeNetwork(const QString& device);
    // The address, or why the text is not one.
    static std::optional<NetworkAddress> parse(const QString& device, QString* error = nullptr);

    QString hostAndPort() const;
    QString toString() const;
};

// Whether a port's device can be looked for now: a device file that exists,
// or a network port, which only an attempt to connect can tell.
bool deviceMayBePresent(const QString& device);

} // namespace kvt
