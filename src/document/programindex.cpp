#include "programindex.h"

#include <algorithm>
#include <cstring>

namespace marbolt {

namespace {

std::size_t findLf(std::string_view text, std::size_t from)
{
    if (from >= text.size())
        return std::string_view::npos;
    const void *p = std::memchr(text.data() + from, '\n', text.size() - from);
    return p ? static_cast<std::size_t>(static_cast<const char *>(p) - text.data())
             : std::string_view::npos;
}

// Position just after the next LF followed by needle, searching from from.
std::size_t findAfterLf(std::string_view text, std::string_view needle, std::size_t from)
{
    for (std::size_t lf = findLf(text, from); lf != std::string_view::npos;
         lf = findLf(text, lf + 1)) {
        if (text.substr(lf + 1, needle.size()) == needle)
            return lf + 1;
    }
    return std::string_view::npos;
}

std::string_view lineAt(std::string_view text, std::size_t start)
{
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
        ++end;
    return text.substr(start, end - start);
}

bool endsLineAt(std::string_view text, std::size_t pos)
{
    return pos >= text.size() || text[pos] == '\r' || text[pos] == '\n';
}

unsigned char fold(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace

std::vector<std::string_view> scanProgramLines(std::string_view text)
{
    std::vector<std::string_view> entries;
    if (text.empty())
        return entries;
    if (text[0] == 'O')
        entries.push_back(lineAt(text, 0));
    for (std::size_t lf = findLf(text, 0); lf != std::string_view::npos; lf = findLf(text, lf + 1)) {
        if (lf + 1 < text.size() && text[lf + 1] == 'O')
            entries.push_back(lineAt(text, lf + 1));
    }
    return entries;
}

bool indexLess(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = fold(static_cast<unsigned char>(a[i]));
        const unsigned char y = fold(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

void sortIndex(std::vector<std::string_view> &entries)
{
    std::stable_sort(entries.begin(), entries.end(), indexLess);
}

std::size_t programStart(std::string_view text, std::string_view entry)
{
    if (entry.empty())
        return 0;
    // The whole line equal to the entry: of O1000 and O100, O100 finds its own line.
    if (text.substr(0, entry.size()) == entry && endsLineAt(text, entry.size()))
        return 0;
    for (std::size_t at = findAfterLf(text, entry, 0); at != std::string_view::npos;
         at = findAfterLf(text, entry, at)) {
        if (endsLineAt(text, at + entry.size()))
            return at;
    }
    const std::size_t prefix = findAfterLf(text, entry, 0);
    return prefix == std::string_view::npos ? 0 : prefix;
}

ProgramExtent programExtent(std::string_view text, std::string_view entry)
{
    ProgramExtent e;
    e.start = programStart(text, entry);
    const std::size_t next = findAfterLf(text, "O", e.start);
    if (next != std::string_view::npos) {
        e.end = next;
        return e;
    }
    const std::size_t percent = text.find('%', e.start);
    e.end = percent == std::string_view::npos ? text.size() : percent;
    return e;
}

bool occursIn(std::string_view text, std::string_view entry)
{
    if (entry.empty())
        return false;
    return memmem(text.data(), text.size(), entry.data(), entry.size()) != nullptr;
}

}  // namespace marbolt
