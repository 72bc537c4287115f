#include "serial/lineconfig.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <array>
#include <utility>

namespace marbolt {

namespace {

constexpr std::array<std::pair<int, speed_t>, 31> kStandardSpeeds{{
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000}, {0, B0},
}};

std::optional<speed_t> standardSpeed(int bps)
{
    for (auto [rate, code] : kStandardSpeeds)
        if (rate == bps && rate != 0)
            return code;
    return std::nullopt;
}

}  // namespace

std::optional<int> bitsPerSecondOf(speed_t code)
{
    for (auto [rate, c] : kStandardSpeeds)
        if (c == code && rate != 0)
            return rate;
    return std::nullopt;
}

std::optional<LineConfig> lineConfigFor(const LineSettings &s, const termios &current)
{
    LineConfig config;
    termios &t = config.attributes;
    t = current;

    if (s.bps <= 0)
        return std::nullopt;
    tcflag_t size = 0;
    switch (s.charbit & 0xFF) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return std::nullopt;
    }

    // Raw binary line: no line editing, echo, signals, translation or
    // output processing. A CNC program is data, not terminal input.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF
                   | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | CRTSCTS);
    t.c_cflag |= size | CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    if (auto code = standardSpeed(s.bps)) {
        cfsetispeed(&t, *code);
        cfsetospeed(&t, *code);
    } else {
        config.customSpeed = s.bps;
    }

    if (auto stop = stopBitsFromText(s.stopbit)) {
        // Linux knows one or two stop bits. A UART sends 1.5 when asked for
        // two at five data bits, so "1.5" maps to two: exact at five bits,
        // the nearer safe choice (a longer gap) above.
        if (*stop == StopBits::One)
            t.c_cflag &= ~CSTOPB;
        else
            t.c_cflag |= CSTOPB;
    }

    if (auto parity = parityFromText(s.paritymode)) {
        t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
        switch (*parity) {
        case Parity::None: break;
        case Parity::Odd: t.c_cflag |= PARENB | PARODD; break;
        case Parity::Even: t.c_cflag |= PARENB; break;
        case Parity::Mark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
        case Parity::Space: t.c_cflag |= PARENB | CMSPAR; break;
        }
    }

    const FlowSet flow = s.flow();
    if (flow.contains(Flow::dfParity))
        t.c_iflag |= INPCK;
    if (flow.contains(Flow::dfOutX))
        t.c_iflag |= IXON;
    // Input flow control with both limits given is the component's own:
    // Linux throttles at fixed levels of its 4 KiB line buffer, far above
    // the 1 KiB queue the limits speak of, and a control that overshoots
    // its stop would overflow the queue before Linux ever sent XOFF. With
    // a limit left at 0 the port keeps its own levels, that is Linux's.
    if (flow.contains(Flow::dfInX)) {
        if (s.XoffLim > 0 && s.XonLim > 0 && s.rxbuffsize > 0) {
            const int stopAbove = std::max(0, s.rxbuffsize - (s.XoffLim & 0xFFFF));
            config.inputLimits = LineConfig::InputLimits{stopAbove, std::min(s.XonLim & 0xFFFF, stopAbove)};
        } else {
            t.c_iflag |= IXOFF;
        }
    }
    // The flow characters become the tty's START and STOP characters, so
    // 0x93 (DC3 with its ISO parity bit) is the stop character as set.
    // Linux keeps no error, end-of-file or event character for a raw
    // line; ErrorChar, EofChar and EvtChar are not applied.
    if (s.XonChar != 0)
        t.c_cc[VSTART] = s.XonChar;
    if (s.XoffChar != 0)
        t.c_cc[VSTOP] = s.XoffChar;

    // Linux has one switch for RTS/CTS in both directions. CTS output flow
    // or RTS handshake turns it on. DSR output flow and DSR sensitivity
    // have no counterpart and are not applied.
    const int rtsControl = (flow.contains(Flow::dfRtsControl_b0) ? 1 : 0)
                         | (flow.contains(Flow::dfRtsControl_b1) ? 2 : 0);
    const int dtrControl = (flow.contains(Flow::dfDtrControl_b0) ? 1 : 0)
                         | (flow.contains(Flow::dfDtrControl_b1) ? 2 : 0);
    if (flow.contains(Flow::dfOutxCtsFlow) || rtsControl == 2)
        t.c_cflag |= CRTSCTS;
    // DTR and RTS: 0 lowers the line, 1 raises it; DTR handshake (2) is
    // not in Linux and raises DTR; RTS toggle (3) raises RTS.
    (dtrControl == 0 ? config.lowerLines : config.raiseLines) |= TIOCM_DTR;
    if (rtsControl != 2)
        (rtsControl == 0 ? config.lowerLines : config.raiseLines) |= TIOCM_RTS;

    config.dropNul = flow.contains(Flow::dfNull);
    config.abortOnError = flow.contains(Flow::dfAbortOnError);
    return config;
}

int bitsPerCharacter(const termios &t)
{
    int data = 8;
    switch (t.c_cflag & CSIZE) {
    case CS5: data = 5; break;
    case CS6: data = 6; break;
    case CS7: data = 7; break;
    default: data = 8; break;
    }
    return 1 + data + ((t.c_cflag & PARENB) ? 1 : 0) + ((t.c_cflag & CSTOPB) ? 2 : 1);
}

}  // namespace marbolt
