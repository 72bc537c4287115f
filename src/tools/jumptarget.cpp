#include "tools/jumptarget.h"
#include "document/olines.h"
#include "nc/ncblock.h"

#include <charconv>
#include <cstring>

namespace marbolt {

namespace {

bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == ' ';
}

std::size_t numberRun(std::string_view text, std::size_t from)
{
    std::size_t end = from;
    while (end < text.size() && isNumberChar(text[end]))
        ++end;
    return end - from;
}

std::string trimSpaces(std::string_view s)
{
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(s.substr(first, s.find_last_not_of(' ') - first + 1));
}

std::string_view lineFrom(std::string_view text, std::size_t start)
{
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
        ++end;
    return text.substr(start, end - start);
}

// Start of the next line, or npos after the last.
std::size_t nextLine(std::string_view text, std::size_t start)
{
    const void *lf = start < text.size() ? std::memchr(text.data() + start, '\n', text.size() - start) : nullptr;
    if (!lf)
        return std::string_view::npos;
    return static_cast<std::size_t>(static_cast<const char *>(lf) - text.data()) + 1;
}

}  // namespace

std::optional<std::string> numberAfter(std::string_view line, std::string_view keyword)
{
    const std::size_t at = line.find(keyword);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::size_t from = at + keyword.size();
    return trimSpaces(line.substr(from, numberRun(line, from)));
}

JumpNumbers jumpNumbers(std::string_view line)
{
    JumpNumbers numbers{numberAfter(line, "P"), numberAfter(line, "GOTO")};
    nc::Block block;
    nc::readBlock(line, block);
    if (const nc::Word *p = block.find('P'); p && p->number && !p->decimalPoint && p->text.front() != '-'
                                             && p->text.front() != '+')
        numbers.program = std::string(p->text);
    if (const std::size_t at = block.statement.find("GOTO"); at != std::string_view::npos)
        numbers.block = numberAfter(block.statement.substr(at), "GOTO");
    return numbers;
}

std::optional<int> numberValue(std::string_view number)
{
    int value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || error != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    return value;
}

std::optional<std::size_t> calledProgram(const std::vector<std::string> &entries, std::string_view number)
{
    const auto wanted = numberValue(number);
    if (!wanted)
        return std::nullopt;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string_view entry = entries[i];
        if (!isNumberedOLine(entry))
            continue;
        std::size_t digits = 1;
        while (digits < entry.size() && entry[digits] >= '0' && entry[digits] <= '9')
            ++digits;
        const auto own = numberValue(entry.substr(1, digits - 1));
        if (own && *own == *wanted)
            return i;
    }
    return std::nullopt;
}

BlockSearch findBlock(std::string_view text, std::size_t caretLineStart, std::string_view number)
{
    // The program's start: the nearest program start line at or above.
    std::size_t from = 0;
    std::size_t line = std::min(caretLineStart, text.size());
    for (;;) {
        if (opensProgram(lineFrom(text, line))) {
            from = nextLine(text, line);
            break;
        }
        if (line == 0)
            break;
        const std::size_t lf = line >= 2 ? text.rfind('\n', line - 2) : std::string_view::npos;
        line = lf == std::string_view::npos ? 0 : lf + 1;
    }
    BlockSearch result;
    for (line = from; line != std::string_view::npos && line < text.size(); line = nextLine(text, line)) {
        const std::string_view l = lineFrom(text, line);
        if (opensProgram(l))
            return result;
        if (l.empty() || l.front() != 'N')
            continue;
        const auto wanted = numberValue(number);
        if (!wanted) {
            result.result = BlockSearch::Result::BadNumber;
            result.badNumber = std::string(number);
            return result;
        }
        const std::size_t run = numberRun(l, 1);
        const std::string own = trimSpaces(l.substr(1, run));
        const auto value = numberValue(own);
        if (!value) {
            result.result = BlockSearch::Result::BadNumber;
            result.badNumber = own;
            return result;
        }
        if (*value == *wanted) {
            result.result = BlockSearch::Result::Found;
            result.start = line;
            result.length = 1 + std::min<std::size_t>(run, 20);
            return result;
        }
    }
    return result;
}

}  // namespace marbolt
