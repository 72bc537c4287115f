#pragma once
// Text as it goes on the line in a punch code, and bytes as a string: the
// expectations of the tests that look at what reaches a machine.
#include "serial/punchcodes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt::testing {

inline std::string iso(std::string_view text)
{
    std::string out;
    for (char c : text)
        out += static_cast<char>(sendiso(static_cast<std::uint8_t>(c)));
    return out;
}

inline std::string eia(std::string_view text)
{
    std::string out;
    for (char c : text)
        out += static_cast<char>(sendeia(static_cast<std::uint8_t>(c)));
    return out;
}

inline std::string bytesOf(const std::vector<std::uint8_t> &v)
{
    return std::string(v.begin(), v.end());
}

}  // namespace marbolt::testing
