#include "serial/netaddress.h"

#include <QRegularExpression>

namespace marbolt {

namespace {

constexpr auto kRawScheme = "tcp://";
constexpr auto kTelnetScheme = "rfc2217://";

}  // namespace

bool namesNetworkPort(const QString &portname)
{
    return portname.startsWith(QLatin1String(kRawScheme), Qt::CaseInsensitive)
        || portname.startsWith(QLatin1String(kTelnetScheme), Qt::CaseInsensitive);
}

std::optional<NetworkAddress> networkAddressOf(const QString &portname)
{
    NetworkAddress address;
    QString rest;
    if (portname.startsWith(QLatin1String(kRawScheme), Qt::CaseInsensitive)) {
        address.protocol = NetworkAddress::Protocol::RawTcp;
        rest = portname.mid(static_cast<qsizetype>(std::char_traits<char>::length(kRawScheme)));
    } else if (portname.startsWith(QLatin1String(kTelnetScheme), Qt::CaseInsensitive)) {
        address.protocol = NetworkAddress::Protocol::Rfc2217;
        rest = portname.mid(static_cast<qsizetype>(std::char_traits<char>::length(kTelnetScheme)));
    } else {
        return std::nullopt;
    }
    // A host name or IPv4 address (letters, digits, '-', '.', '_'), or an
    // IPv6 address in brackets; then ':' and the port.
    static const QRegularExpression form(QStringLiteral(
        "^(?:\\[([0-9A-Fa-f:.]+)\\]|([A-Za-z0-9._-]+)):([0-9]{1,5})$"));
    const auto match = form.match(rest);
    if (!match.hasMatch())
        return std::nullopt;
    const QString host = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    const int port = match.captured(3).toInt();
    if (host.isEmpty() || port < 1 || port > 65535)
        return std::nullopt;
    address.host = host.toStdString();
    address.port = static_cast<std::uint16_t>(port);
    return address;
}

}  // namespace marbolt
