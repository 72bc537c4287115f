#pragma once
// The line parameters of a serial port as a plain value, apart from the
// open port: the published properties of Trs232c with their defaults, the
// values the main window gives its send and receive ports, the set view of
// the flags word, and the stop-bit and parity texts the component accepts.
#include <QString>

#include <cstdint>
#include <optional>

namespace marbolt {

// Bits of the flags word (the Win32 DCB flags), by bit number.
enum class Flow : int {
    dfBinary = 0,
    dfParity = 1,
    dfOutxCtsFlow = 2,
    dfOutxDsrFlow = 3,
    dfDtrControl_b0 = 4,
    dfDtrControl_b1 = 5,
    dfDsrSensitivity = 6,
    dfTXContinueOnXoff = 7,
    dfOutX = 8,
    dfInX = 9,
    dfErrorChar = 10,
    dfNull = 11,
    dfRtsControl_b0 = 12,
    dfRtsControl_b1 = 13,
    dfAbortOnError = 14,
};

// rsflowset: the elements whose bits 0 to 14 are set in the flags word.
class FlowSet {
public:
    constexpr FlowSet() = default;
    constexpr FlowSet(std::initializer_list<Flow> elements)
    {
        for (Flow f : elements)
            bits_ |= 1u << static_cast<int>(f);
    }
    // Reading flow from flowflag: bits 15 to 31 are not elements.
    static constexpr FlowSet fromFlag(std::int32_t flowflag)
    {
        FlowSet s;
        s.bits_ = static_cast<std::uint32_t>(flowflag) & 0x7FFFu;
        return s;
    }
    // Writing flow gives exactly its bits.
    constexpr std::int32_t toFlag() const { return static_cast<std::int32_t>(bits_); }
    constexpr bool contains(Flow f) const { return bits_ >> static_cast<int>(f) & 1u; }
    constexpr bool operator==(const FlowSet &) const = default;

private:
    std::uint32_t bits_ = 0;
};

enum class StopBits { One = 0, OneAndHalf = 1, Two = 2 };
enum class Parity { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

// The accepted texts, compared exactly; nullopt leaves the port's own setting.
std::optional<StopBits> stopBitsFromText(const QString &text);
std::optional<Parity> parityFromText(const QString &text);

// Flags words the transfers use.
constexpr std::int32_t kSendFlowFlag = 23569;     // 0x5C11
constexpr std::int32_t kReceiveFlowFlag = 24081;  // 0x5E11, adds dfInX

// The flow-control characters of a port opened without a transfer's own.
constexpr std::uint8_t kAsciiXon = 0x11;   // DC1: resume
constexpr std::uint8_t kAsciiXoff = 0x13;  // DC3 without a parity bit: stop

struct LineSettings {
    std::int32_t charbit = 8;
    QString stopbit = QStringLiteral("1");
    std::int32_t bps = 9600;
    QString portname = QStringLiteral("COM1");
    std::int32_t rxbuffsize = 1024;
    std::int32_t txbuffsize = 1024;
    std::int32_t readinterval = 0;
    std::int32_t txtimeout = 30000;  // milliseconds
    std::int32_t rxtimeout = 30000;  // milliseconds
    QString paritymode = QStringLiteral("無し");
    std::int32_t flowflag = 1;
    std::int32_t packetsize = 0;
    std::int32_t XonLim = 0;
    std::int32_t XoffLim = 0;
    // XonChar resumes, XoffChar stops: the characters a port sends for its
    // own input flow control (dfInX) and, under dfOutX, obeys. Until a
    // transfer sets the machine's pair (DC1, and DC3 with its ISO parity
    // bit), a port uses the plain ASCII pair. Never swap them: a port whose
    // XonChar were DC3 would send the machine its stop where it means go.
    // (The component this one replaces stored 19 and 17 here, names and
    // values crossed; it never opened a port with them.)
    std::uint8_t XonChar = kAsciiXon;
    std::uint8_t XoffChar = kAsciiXoff;
    std::uint8_t ErrorChar = 0;
    std::uint8_t EofChar = 0;
    std::uint8_t EvtChar = 0;

    FlowSet flow() const { return FlowSet::fromFlag(flowflag); }
    void setFlow(FlowSet f) { flowflag = f.toFlag(); }

    // The values of a machine's send port and receive port.
    static LineSettings sendPortDefaults();
    static LineSettings receivePortDefaults();
};

}  // namespace marbolt
