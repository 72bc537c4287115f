#include "document/textsearch.h"

#include <algorithm>
#include <cstring>

namespace marbolt {

long long FindForward(std::string_view text, std::string_view needle, std::size_t start,
                      std::size_t length)
{
    if (needle.empty() || start >= text.size())
        return -1;
    length = std::min(length, text.size() - start);
    if (needle.size() > length)
        return -1;
    // glibc's memmem is a two-way search with vectorised scanning: far
    // faster than a byte loop on NC text, where every other line starts
    // with the same letter.
    const void *hit = ::memmem(text.data() + start, length, needle.data(), needle.size());
    if (!hit)
        return -1;
    return static_cast<const char *>(hit) - text.data();
}

long long FindLastBefore(std::string_view text, std::string_view needle, std::size_t end)
{
    end = std::min(end, text.size());
    if (needle.empty() || needle.size() > end)
        return -1;
    // Windows of 5000 and 500 positions moving back by 4900 and 400: they
    // overlap by 100, or by the needle's length when it is longer, so an
    // occurrence always lies wholly inside one window.
    const std::size_t overlap = std::max<std::size_t>(100, needle.size());
    const std::size_t coarse = std::max<std::size_t>(5000, 2 * overlap);
    const std::size_t fine = std::max<std::size_t>(500, 2 * overlap);

    std::size_t n = end;
    while (n >= coarse) {
        if (FindForward(text, needle, n - coarse, coarse) >= 0)
            break;
        n -= coarse - overlap;
    }
    while (n >= fine) {
        if (FindForward(text, needle, n - fine, fine) >= 0)
            break;
        n -= fine - overlap;
    }
    long long r = n > fine ? FindForward(text, needle, n - fine, fine) : FindForward(text, needle, 0, n);
    long long best = r;
    while (r >= 0) {
        best = r;
        const auto next = static_cast<std::size_t>(r) + 1;
        r = next < n ? FindForward(text, needle, next, n - next) : -1;
    }
    return best;
}

}  // namespace marbolt
