#pragma once
// The Telnet side of an RFC 2217 serial device server: data bytes with
// IAC doubled, option negotiation (binary both ways, suppress-go-ahead,
// the COM port option) and the COM port subnegotiations the program sends
// and the server's answers and notifications. Plain bytes in and out, no
// socket: the network link feeds it what it reads and writes what it asks.
#include "serial/serialsystem.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace marbolt {

namespace telnet {

constexpr std::uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr std::uint8_t OPT_BINARY = 0, OPT_SGA = 3, OPT_COM_PORT = 44;

// COM port option commands, client to server; the server answers each
// with the same command plus 100.
enum ComPortCommand : std::uint8_t {
    SET_BAUDRATE = 1,
    SET_DATASIZE = 2,
    SET_PARITY = 3,
    SET_STOPSIZE = 4,
    SET_CONTROL = 5,
    NOTIFY_LINESTATE = 6,
    NOTIFY_MODEMSTATE = 7,
    FLOWCONTROL_SUSPEND = 8,
    FLOWCONTROL_RESUME = 9,
    SET_LINESTATE_MASK = 10,
    SET_MODEMSTATE_MASK = 11,
    PURGE_DATA = 12,
};
constexpr std::uint8_t kServerOffset = 100;

// Values of SET-PARITY and SET-STOPSIZE.
enum class ParityCode : std::uint8_t { None = 1, Odd = 2, Even = 3, Mark = 4, Space = 5 };
enum class StopSizeCode : std::uint8_t { One = 1, Two = 2, OneAndHalf = 3 };

// Line-state bits of NOTIFY-LINESTATE that are errors.
constexpr std::uint8_t kLineOverrun = 0x02, kLineParity = 0x04, kLineFraming = 0x08, kLineBreak = 0x10;

}  // namespace telnet

// The line settings the program asks the server for.
struct ComPortSettings {
    std::uint32_t baud = 9600;
    std::uint8_t dataSize = 8;
    telnet::ParityCode parity = telnet::ParityCode::None;
    telnet::StopSizeCode stopSize = telnet::StopSizeCode::One;
    bool operator==(const ComPortSettings &) const = default;
};

class TelnetCodec {
public:
    // What the client says first: it will speak the COM port option and
    // binary, and asks the server for binary and suppress-go-ahead.
    std::string greeting();
    // The subnegotiations that set the line, and ask for line-state and
    // modem-state notifications, with the program's own flow control
    // (none on the server, either way).
    static std::string comPortSetup(const ComPortSettings &settings);
    static std::string setControl(std::uint8_t value);
    // Data for the wire, with IAC doubled.
    static void escape(const std::uint8_t *data, std::size_t count, std::string &wire);

    // Takes bytes read from the wire: data goes to data, answers the
    // negotiation needs go to replies (to be written at once).
    void feed(const std::uint8_t *bytes, std::size_t count, std::string &data, std::string &replies);

    // What the server has told so far.
    bool comPortAccepted() const { return usOn_[telnet::OPT_COM_PORT] == State::Yes; }
    // The server refused the COM port option, or binary in either
    // direction: NC data would not pass unchanged.
    bool refused() const { return refused_; }
    // The settings the server reported back, member by member as they came.
    std::optional<std::uint32_t> reportedBaud;
    std::optional<std::uint8_t> reportedDataSize;
    std::optional<std::uint8_t> reportedParity;
    std::optional<std::uint8_t> reportedStopSize;
    bool allReported() const { return reportedBaud && reportedDataSize && reportedParity && reportedStopSize; }
    bool matches(const ComPortSettings &s) const;
    // Line errors the server notified, counted as a UART's counters go.
    const LineErrorCounts &lineErrors() const { return errors_; }
    // The last modem state the server notified (CTS 0x10, DSR 0x20, RI 0x40, CD 0x80).
    std::uint8_t modemState() const { return modemState_; }
    // The server asked the program to stop sending (FLOWCONTROL-SUSPEND)
    // and has not yet allowed it again.
    bool suspended() const { return suspended_; }

private:
    enum class State : std::uint8_t { No, Yes, WantYes };
    void negotiate(std::uint8_t command, std::uint8_t option, std::string &replies);
    void subnegotiation();
    static bool weWill(std::uint8_t option);
    static bool weAccept(std::uint8_t option);

    enum class Parse { Data, Iac, Option, Sub, SubIac };
    Parse parse_ = Parse::Data;
    std::uint8_t command_ = 0;
    std::string sub_;
    bool subTooLong_ = false;

    std::array<State, 256> usOn_{};   // options this side speaks
    std::array<State, 256> himOn_{};  // options the server speaks
    bool refused_ = false;
    LineErrorCounts errors_;
    std::uint8_t modemState_ = 0;
    bool suspended_ = false;
};

}  // namespace marbolt
