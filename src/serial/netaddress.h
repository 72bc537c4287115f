#pragma once
// Ports on the shop network: a serial device server reached as
// "tcp://HOST:PORT" (raw TCP, the line settings are the server's) or
// "rfc2217://HOST:PORT" (Telnet with the COM port option, the program sets
// the line). Any other port name is a local device.
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace marbolt {

struct NetworkAddress {
    enum class Protocol { RawTcp, Rfc2217 };
    Protocol protocol = Protocol::RawTcp;
    std::string host;  // a name, an IPv4 address, or an IPv6 address without brackets
    std::uint16_t port = 0;
    bool operator==(const NetworkAddress &) const = default;
};

// True when the name begins with one of the two schemes, whether or not
// the rest is valid: such a name is never opened as a device.
bool namesNetworkPort(const QString &portname);

// The address, or nullopt when the name is not a valid network port: the
// host is empty or holds characters no host name has, the port is not a
// number from 1 to 65535, or anything follows it.
std::optional<NetworkAddress> networkAddressOf(const QString &portname);

}  // namespace marbolt
