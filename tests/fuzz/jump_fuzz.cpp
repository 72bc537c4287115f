// The jump parser on any line and text: numbers behind P and GOTO, the
// program called, the block found, all within the text.
#include "fuzzcheck.h"

#include "document/programindex.h"
#include "tools/jumptarget.h"

#include <string>
#include <vector>

using namespace marbolt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string_view parts[2];
    fuzz::splitInput(data, size, parts);
    const std::string_view line = parts[0];
    const std::string_view text = parts[1];
    std::vector<std::string> entries;
    for (std::string_view e : scanProgramLines(text))
        entries.emplace_back(e);
    for (std::string_view keyword : {"P", "GOTO"}) {
        const auto number = numberAfter(line, keyword);
        if (!number)
            continue;
        FUZZ_CHECK(number->empty() || (number->front() != ' ' && number->back() != ' '));
        if (const auto value = numberValue(*number))
            FUZZ_CHECK(*value >= 0);
        if (const auto called = calledProgram(entries, *number))
            FUZZ_CHECK(*called < entries.size());
        const std::size_t caret = size == 0 ? 0 : data[0] % (text.size() + 1);
        const BlockSearch found = findBlock(text, caret, *number);
        if (found.result == BlockSearch::Result::Found) {
            FUZZ_CHECK(found.start + found.length <= text.size());
            FUZZ_CHECK(text[found.start] == 'N' && found.length <= 21);
        }
    }
    return 0;
}
