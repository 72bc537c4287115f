#pragma once
// The paper-tape punch codes of NC machines, byte by byte. The line always
// runs at 8 data bits without hardware parity, so the parity of both codes
// is made here: ISO is seven-bit ASCII with even parity in bit 7, EIA is a
// code of its own with odd parity in bit 4.
#include <array>
#include <cstdint>

namespace marbolt {

// Handshake and tape-control bytes, the same under both codes.
constexpr std::uint8_t kDC1 = 0x11;
constexpr std::uint8_t kDC2 = 0x12;
constexpr std::uint8_t kDC3 = 0x93;  // DC3 in its ISO form, also under EIA
constexpr std::uint8_t kDC4 = 0x14;

// ISO with even parity: bit 7 toggled when bits 0-6 hold an odd number of ones.
std::uint8_t sendiso(std::uint8_t b);
// ISO decoding: the parity bit is dropped, never checked.
std::uint8_t deciso(std::uint8_t b);
// Character to EIA code; a character without a code gives 0x10 (EIA blank).
std::uint8_t sendeia(std::uint8_t b);
// EIA code to character; a code without a character gives 0x10.
std::uint8_t receia(std::uint8_t c);

enum class PunchCode { Iso, Eia, None };
// The code a send uses for the CODE setting: "ISO", "EIA", anything else none.
PunchCode punchCodeFor(const char *setting);
// Converts one byte for sending under code.
std::uint8_t encodeFor(PunchCode code, std::uint8_t b);
// The leader byte for tape feed under code: a space, converted (none: 0xA0).
std::uint8_t feedByteFor(PunchCode code);

}  // namespace marbolt
