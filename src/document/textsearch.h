#pragma once
// The two searches over the editor text that the editing tools rest on.
// Positions are offsets into the text as the editor holds it (a line break
// is CR LF, two positions). Pure: they read the text the editor gives as
// one contiguous view.
#include <cstddef>
#include <string_view>

namespace marbolt {

// First occurrence of needle lying wholly inside [start, start + length),
// the range cut at the end of the text; -1 when there is none. Exact and
// case-sensitive. An empty needle is never found.
long long FindForward(std::string_view text, std::string_view needle, std::size_t start,
                      std::size_t length);

// Start of the last occurrence of needle lying wholly before end; -1 when
// there is none. It steps back in overlapping windows and walks forward
// only inside the last one, so it never crosses the text occurrence by
// occurrence. The overlap is at least the needle's length, so also a long
// needle is found.
long long FindLastBefore(std::string_view text, std::string_view needle, std::size_t end);

}  // namespace marbolt
