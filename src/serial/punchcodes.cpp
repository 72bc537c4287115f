#include "punchcodes.h"

#include <cstring>

namespace marbolt {

namespace {

using Table = std::array<std::uint8_t, 256>;

struct EiaPair {
    std::uint8_t character;
    std::uint8_t code;
};

// The 49 characters that have an EIA code.
constexpr EiaPair kEia[] = {
    {0x00, 0x00}, {0x08, 0x2A}, {0x09, 0x3E}, {0x0A, 0x80}, {'%', 0x0B}, {'&', 0x0E},
    {'(', 0x1A},  {')', 0x4A},  {'+', 0x70},  {',', 0x3B},  {'-', 0x40}, {'.', 0x6B},
    {'/', 0x31},  {'0', 0x20},  {'1', 0x01},  {'2', 0x02},  {'3', 0x13}, {'4', 0x04},
    {'5', 0x15},  {'6', 0x16},  {'7', 0x07},  {'8', 0x08},  {'9', 0x19}, {'A', 0x61},
    {'B', 0x62},  {'C', 0x73},  {'D', 0x64},  {'E', 0x75},  {'F', 0x76}, {'G', 0x67},
    {'H', 0x68},  {'I', 0x79},  {'J', 0x51},  {'K', 0x52},  {'L', 0x43}, {'M', 0x54},
    {'N', 0x45},  {'O', 0x46},  {'P', 0x57},  {'Q', 0x58},  {'R', 0x49}, {'S', 0x32},
    {'T', 0x23},  {'U', 0x34},  {'V', 0x25},  {'W', 0x26},  {'X', 0x37}, {'Y', 0x38},
    {'Z', 0x29},
};

// Codes that decode although no character is sent with them.
constexpr EiaPair kEiaReceiveOnly[] = {
    {0x20, 0x10}, {0x11, 0x11}, {0x12, 0x12}, {0x14, 0x14}, {0x13, 0x93},
};

constexpr Table makeIso()
{
    Table t{};
    for (int b = 0; b < 256; ++b) {
        int ones = 0;
        for (int bit = 0; bit < 7; ++bit)
            ones += (b >> bit) & 1;
        t[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(ones % 2 ? b ^ 0x80 : b);
    }
    return t;
}

constexpr Table makeSendEia()
{
    Table t{};
    for (auto &v : t)
        v = 0x10;
    for (const EiaPair &p : kEia)
        t[p.character] = p.code;
    return t;
}

constexpr Table makeReceiveEia()
{
    Table t{};
    for (auto &v : t)
        v = 0x10;
    for (const EiaPair &p : kEia)
        t[p.code] = p.character;
    for (const EiaPair &p : kEiaReceiveOnly)
        t[p.code] = p.character;
    return t;
}

constexpr Table kIso = makeIso();
constexpr Table kSendEia = makeSendEia();
constexpr Table kReceiveEia = makeReceiveEia();

}  // namespace

std::uint8_t sendiso(std::uint8_t b) { return kIso[b]; }
std::uint8_t deciso(std::uint8_t b) { return b & 0x7F; }
std::uint8_t sendeia(std::uint8_t b) { return kSendEia[b]; }
std::uint8_t receia(std::uint8_t c) { return kReceiveEia[c]; }

PunchCode punchCodeFor(const char *setting)
{
    if (std::strcmp(setting, "ISO") == 0)
        return PunchCode::Iso;
    if (std::strcmp(setting, "EIA") == 0)
        return PunchCode::Eia;
    return PunchCode::None;
}

std::uint8_t encodeFor(PunchCode code, std::uint8_t b)
{
    switch (code) {
    case PunchCode::Iso:
        return sendiso(b);
    case PunchCode::Eia:
        return sendeia(b);
    case PunchCode::None:
        break;
    }
    return b;
}

std::uint8_t feedByteFor(PunchCode code)
{
    return code == PunchCode::Eia ? sendeia(' ') : sendiso(' ');
}

}  // namespace marbolt
