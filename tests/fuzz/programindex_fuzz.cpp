// Any text as the program index sees it: the entries, their order, and the
// extents in one pass agree with each extent found alone.
#include "fuzzcheck.h"

#include "document/programindex.h"

#include <algorithm>

using namespace marbolt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<std::string_view> entries = scanProgramLines(text);
    for (std::string_view e : entries)
        FUZZ_CHECK(!e.empty() && e.front() == 'O' && findProgramLine(text, e).has_value());
    entries.push_back(text.substr(0, std::min<std::size_t>(size, 4)));  // an entry that may be no O-line
    entries.push_back({});
    const std::vector<ProgramExtent> all = programExtents(text, entries);
    FUZZ_CHECK(all.size() == entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ProgramExtent one = programExtent(text, entries[i]);
        FUZZ_CHECK(all[i].start == one.start && all[i].end == one.end);
        FUZZ_CHECK(one.start <= one.end && one.end <= size);
        const ProgramExtent printed = printedProgramExtent(text, entries[i], size / 2);
        FUZZ_CHECK(printed.start <= printed.end && printed.end <= size);
    }
    std::vector<std::string_view> sorted = scanProgramLines(text);
    sortIndex(sorted);
    FUZZ_CHECK(std::is_sorted(sorted.begin(), sorted.end(), indexLess));
    return 0;
}
