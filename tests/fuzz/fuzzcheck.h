#pragma once
// A property a harness checks: when it does not hold, the harness aborts
// with the place, so libFuzzer keeps the input and the replay test fails.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__,     \
                         #condition);                                                           \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

namespace marbolt::fuzz {

// Cuts the input into parts at the first count - 1 NUL bytes.
template <std::size_t count>
void splitInput(const std::uint8_t *data, std::size_t size, std::string_view (&parts)[count])
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const std::size_t nul = rest.find('\0');
        parts[i] = rest.substr(0, nul);
        rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    }
    parts[count - 1] = rest;
}

}  // namespace marbolt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
