#include "serial/telnetcodec.h"

namespace marbolt {

using namespace telnet;

namespace {

// A subnegotiation longer than this is no COM port message; it is skipped.
constexpr std::size_t kLongestSubnegotiation = 64;

void putCommand(std::string &out, std::uint8_t command, std::uint8_t option)
{
    out += static_cast<char>(IAC);
    out += static_cast<char>(command);
    out += static_cast<char>(option);
}

void putSub(std::string &out, std::uint8_t command, const std::string &value)
{
    out += static_cast<char>(IAC);
    out += static_cast<char>(SB);
    out += static_cast<char>(OPT_COM_PORT);
    out += static_cast<char>(command);
    TelnetCodec::escape(reinterpret_cast<const std::uint8_t *>(value.data()), value.size(), out);
    out += static_cast<char>(IAC);
    out += static_cast<char>(SE);
}

}  // namespace

bool TelnetCodec::weWill(std::uint8_t option)
{
    return option == OPT_BINARY || option == OPT_SGA || option == OPT_COM_PORT;
}

bool TelnetCodec::weAccept(std::uint8_t option)
{
    return option == OPT_BINARY || option == OPT_SGA;
}

std::string TelnetCodec::greeting()
{
    std::string out;
    for (std::uint8_t option : {OPT_COM_PORT, OPT_BINARY, OPT_SGA}) {
        if (usOn_[option] == State::No) {
            usOn_[option] = State::WantYes;
            putCommand(out, WILL, option);
        }
    }
    for (std::uint8_t option : {OPT_BINARY, OPT_SGA}) {
        if (himOn_[option] == State::No) {
            himOn_[option] = State::WantYes;
            putCommand(out, DO, option);
        }
    }
    return out;
}

std::string TelnetCodec::comPortSetup(const ComPortSettings &s)
{
    std::string out;
    std::string baud(4, '\0');
    for (int i = 0; i < 4; ++i)
        baud[i] = static_cast<char>(s.baud >> (8 * (3 - i)) & 0xFF);
    putSub(out, SET_BAUDRATE, baud);
    putSub(out, SET_DATASIZE, std::string(1, static_cast<char>(s.dataSize)));
    putSub(out, SET_PARITY, std::string(1, static_cast<char>(s.parity)));
    putSub(out, SET_STOPSIZE, std::string(1, static_cast<char>(s.stopSize)));
    out += setControl(1);   // no flow control on what the server sends to the machine
    out += setControl(14);  // nor on what it takes from the machine
    putSub(out, SET_LINESTATE_MASK, std::string(1, static_cast<char>(kLineOverrun | kLineParity | kLineFraming | kLineBreak)));
    putSub(out, SET_MODEMSTATE_MASK, std::string(1, static_cast<char>(0xF0)));
    return out;
}

std::string TelnetCodec::setControl(std::uint8_t value)
{
    std::string out;
    putSub(out, SET_CONTROL, std::string(1, static_cast<char>(value)));
    return out;
}

void TelnetCodec::escape(const std::uint8_t *data, std::size_t count, std::string &wire)
{
    for (std::size_t i = 0; i < count; ++i) {
        wire += static_cast<char>(data[i]);
        if (data[i] == IAC)
            wire += static_cast<char>(IAC);
    }
}

bool TelnetCodec::matches(const ComPortSettings &s) const
{
    return reportedBaud == s.baud && reportedDataSize == s.dataSize
        && reportedParity == static_cast<std::uint8_t>(s.parity)
        && reportedStopSize == static_cast<std::uint8_t>(s.stopSize);
}

void TelnetCodec::feed(const std::uint8_t *bytes, std::size_t count, std::string &data, std::string &replies)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        switch (parse_) {
        case Parse::Data:
            if (b == IAC)
                parse_ = Parse::Iac;
            else
                data += static_cast<char>(b);
            break;
        case Parse::Iac:
            if (b == IAC) {
                data += static_cast<char>(IAC);
                parse_ = Parse::Data;
            } else if (b == WILL || b == WONT || b == DO || b == DONT) {
                command_ = b;
                parse_ = Parse::Option;
            } else if (b == SB) {
                sub_.clear();
                subTooLong_ = false;
                parse_ = Parse::Sub;
            } else {
                parse_ = Parse::Data;  // NOP, GA and the like carry nothing
            }
            break;
        case Parse::Option:
            negotiate(command_, b, replies);
            parse_ = Parse::Data;
            break;
        case Parse::Sub:
            if (b == IAC) {
                parse_ = Parse::SubIac;
            } else if (sub_.size() < kLongestSubnegotiation) {
                sub_ += static_cast<char>(b);
            } else {
                subTooLong_ = true;
            }
            break;
        case Parse::SubIac:
            if (b == IAC) {
                if (sub_.size() < kLongestSubnegotiation)
                    sub_ += static_cast<char>(IAC);
                else
                    subTooLong_ = true;
                parse_ = Parse::Sub;
            } else {
                // SE ends it; anything else is a broken subnegotiation,
                // which ends here all the same.
                if (b == SE && !subTooLong_)
                    subnegotiation();
                parse_ = Parse::Data;
            }
            break;
        }
    }
}

void TelnetCodec::negotiate(std::uint8_t command, std::uint8_t option, std::string &replies)
{
    // The rules of RFC 1143 without its queue: a request that confirms the
    // present state is not answered, so no two sides ever loop.
    State &us = usOn_[option];
    State &him = himOn_[option];
    switch (command) {
    case DO:
        if (us == State::No) {
            if (weWill(option)) {
                us = State::Yes;
                putCommand(replies, WILL, option);
            } else {
                putCommand(replies, WONT, option);
            }
        } else {
            us = State::Yes;
        }
        break;
    case DONT:
        if (us == State::Yes)
            putCommand(replies, WONT, option);
        if (us != State::No && (option == OPT_BINARY || option == OPT_COM_PORT))
            refused_ = true;
        us = State::No;
        break;
    case WILL:
        if (him == State::No) {
            if (weAccept(option)) {
                him = State::Yes;
                putCommand(replies, DO, option);
            } else {
                putCommand(replies, DONT, option);
            }
        } else {
            him = State::Yes;
        }
        break;
    case WONT:
        if (him == State::Yes)
            putCommand(replies, DONT, option);
        if (him != State::No && option == OPT_BINARY)
            refused_ = true;
        him = State::No;
        break;
    default:
        break;
    }
}

void TelnetCodec::subnegotiation()
{
    if (sub_.size() < 2 || static_cast<std::uint8_t>(sub_[0]) != OPT_COM_PORT)
        return;
    const std::uint8_t command = static_cast<std::uint8_t>(sub_[1]);
    const std::string value = sub_.substr(2);
    auto byte = [&]() -> std::optional<std::uint8_t> {
        if (value.size() != 1)
            return std::nullopt;
        return static_cast<std::uint8_t>(value[0]);
    };
    switch (command) {
    case kServerOffset + SET_BAUDRATE:
        if (value.size() == 4) {
            std::uint32_t baud = 0;
            for (char c : value)
                baud = baud << 8 | static_cast<std::uint8_t>(c);
            reportedBaud = baud;
        }
        break;
    case kServerOffset + SET_DATASIZE: reportedDataSize = byte(); break;
    case kServerOffset + SET_PARITY: reportedParity = byte(); break;
    case kServerOffset + SET_STOPSIZE: reportedStopSize = byte(); break;
    case kServerOffset + NOTIFY_LINESTATE:
        if (const auto state = byte()) {
            if (*state & kLineOverrun) ++errors_.overrun;
            if (*state & kLineParity) ++errors_.parity;
            if (*state & kLineFraming) ++errors_.frame;
            if (*state & kLineBreak) ++errors_.brk;
        }
        break;
    case kServerOffset + NOTIFY_MODEMSTATE:
        if (const auto state = byte())
            modemState_ = *state;
        break;
    case kServerOffset + FLOWCONTROL_SUSPEND: suspended_ = true; break;
    case kServerOffset + FLOWCONTROL_RESUME: suspended_ = false; break;
    default: break;
    }
}

}  // namespace marbolt
