#include "NetworkAddress.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace kvt {

bool NetworkAddress::looksLikeNetwork(const QString& device)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(device).hasMatch();
}

std::optional<NetworkAddress> NetworkAddress::parse(const QString& device, QString* error)
{
    const auto refuse = [&](const QString& why) -> std::optional<NetworkAddress> {
        if (error)
            *error = QStringLiteral("%1 is not a network port: %2. Write rfc2217://HOST:PORT or "
                                    "tcp://HOST:PORT.")
                         .arg(device, why);
        return std::nullopt;
    };
    const QUrl url(device, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    NetworkAddress address;
    if (scheme == QLatin1String("rfc2217"))
        address.kind = Kind::Rfc2217;
    else if (scheme == QLatin1String("tcp") || scheme == QLatin1String("socket"))
        address.kind = Kind::RawTcp;
    else
        return refuse(QStringLiteral("\"%1\" is not a kind of port this program knows")
                          .arg(device.section(QStringLiteral("://"), 0, 0)));
    if (!url.isValid())
        return refuse(QStringLiteral("the host or the TCP port (1 to 65535) is malformed"));
    if (url.host().isEmpty())
        return refuse(QStringLiteral("the host is missing"));
    if (url.port() <= 0)
        return refuse(QStringLiteral("the TCP port (1 to 65535) is missing"));
    if (!url.userInfo().isEmpty() || (!url.path().isEmpty() && url.path() != QLatin1String("/")) ||
        url.hasQuery() || url.hasFragment())
        return refuse(QStringLiteral("only a host and a port may follow the kind"));
    address.host = url.host();
    address.port = quint16(url.port());
    return address;
}

QString NetworkAddress::hostAndPort() const
{
    const QString host = this->host.contains(u':') ? u'[' + this->host + u']' : this->host;
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

QString NetworkAddress::toString() const
{
    return (kind == Kind::Rfc2217 ? QStringLiteral("rfc2217://") : QStringLiteral("tcp://")) +
           hostAndPort();
}

bool deviceMayBePresent(const QString& device)
{
    return NetworkAddress::looksLikeNetwork(device) || QFileInfo::exists(device);
}

} // namespace kvt
