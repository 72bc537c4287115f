#include "tools/nccompare.h"

#include <dtl/dtl.hpp>

#include <unordered_map>

namespace marbolt {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Every number of the block written by its value: no "+" and no leading
// zeros, no trailing zeros after the point, "0" before a bare point, no
// sign on zero. The point itself stays: a control reads "X1" and "X1."
// differently (units of the least increment against millimetres).
std::string numbersByValue(std::string_view block)
{
    std::string out;
    out.reserve(block.size());
    std::size_t i = 0;
    while (i < block.size()) {
        const char c = block[i];
        const bool afterNumber = !out.empty() && (isDigit(out.back()) || out.back() == '.');
        std::size_t j = i;
        bool negative = false;
        if ((c == '+' || c == '-') && !afterNumber) {
            negative = c == '-';
            ++j;
        }
        const std::size_t intStart = j;
        while (j < block.size() && isDigit(block[j]))
            ++j;
        std::string_view whole = block.substr(intStart, j - intStart);
        bool point = false;
        std::string_view fraction;
        if (j < block.size() && block[j] == '.') {
            point = true;
            const std::size_t fracStart = ++j;
            while (j < block.size() && isDigit(block[j]))
                ++j;
            fraction = block.substr(fracStart, j - fracStart);
        }
        if (afterNumber || (whole.empty() && fraction.empty())) {
            // Not the start of a number: the character stands as it is.
            out += c;
            ++i;
            continue;
        }
        while (whole.size() > 1 && whole.front() == '0')
            whole.remove_prefix(1);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.remove_suffix(1);
        const bool zero = (whole.empty() || whole == "0") && fraction.empty();
        if (negative && !zero)
            out += '-';
        out += whole.empty() ? std::string_view("0") : whole;
        if (point) {
            out += '.';
            out += fraction;
        }
        i = j;
    }
    return out;
}

}  // namespace

std::string blockKey(std::string_view line, const CompareOptions &options)
{
    std::string key;
    key.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\r' || c == '\n')
            continue;
        if (options.ignoreComments && c == '(') {
            const std::size_t close = line.find(')', i);
            if (close == std::string_view::npos)
                break;
            i = close;
            continue;
        }
        if (options.ignoreBlanks && isBlank(c))
            continue;
        key += c;
    }
    if (options.ignoreSequenceNumbers) {
        // N and its digits at the block's start, after an optional block
        // delete "/", with the blanks that follow them.
        std::size_t at = 0;
        while (at < key.size() && isBlank(key[at]))
            ++at;
        if (at < key.size() && key[at] == '/')
            ++at;
        if (at + 1 < key.size() && key[at] == 'N' && isDigit(key[at + 1])) {
            std::size_t end = at + 1;
            while (end < key.size() && isDigit(key[end]))
                ++end;
            while (end < key.size() && isBlank(key[end]))
                ++end;
            key.erase(at, end - at);
        }
    }
    if (options.numbersByValue)
        key = numbersByValue(key);
    return key;
}

std::vector<CompareBlock> compareBlocks(std::string_view text, const CompareOptions &options)
{
    std::vector<CompareBlock> blocks;
    std::size_t line = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view raw = text.substr(start, end - start);
        // A line of blanks, a "%" line or the tape leader (NUL) is no block.
        bool counts = false, percentOnly = true;
        for (char c : raw) {
            if (isBlank(c) || c == '\r' || c == '\0')
                continue;
            counts = true;
            percentOnly = percentOnly && c == '%';
        }
        if (counts && !percentOnly) {
            std::string key = blockKey(raw, options);
            if (!key.empty())
                blocks.push_back({line, std::move(key)});
        }
        if (end == text.size())
            break;
        start = end + 1;
        ++line;
    }
    return blocks;
}

std::vector<Difference> compareTexts(const std::vector<CompareBlock> &left, const std::vector<CompareBlock> &right)
{
    // The diff runs on small numbers, one per distinct key.
    std::unordered_map<std::string_view, int> ids;
    auto idsOf = [&](const std::vector<CompareBlock> &blocks) {
        std::vector<int> out;
        out.reserve(blocks.size());
        for (const CompareBlock &b : blocks)
            out.push_back(ids.try_emplace(b.key, static_cast<int>(ids.size())).first->second);
        return out;
    };
    const std::vector<int> a = idsOf(left);
    const std::vector<int> b = idsOf(right);
    dtl::Diff<int> diff(a, b);
    diff.compose();

    std::vector<Difference> differences;
    Difference run;
    bool open = false;
    auto flush = [&] {
        if (!open)
            return;
        run.kind = run.leftCount == 0   ? DifferenceKind::OnlyRight
                   : run.rightCount == 0 ? DifferenceKind::OnlyLeft
                                         : DifferenceKind::Changed;
        differences.push_back(run);
        open = false;
    };
    std::size_t leftAt = 0, rightAt = 0;  // the next block of each side
    for (const auto &[element, info] : diff.getSes().getSequence()) {
        (void)element;
        if (info.type == dtl::SES_COMMON) {
            flush();
            leftAt = static_cast<std::size_t>(info.beforeIdx);
            rightAt = static_cast<std::size_t>(info.afterIdx);
            continue;
        }
        if (!open) {
            run = Difference{DifferenceKind::Changed, leftAt, 0, rightAt, 0};
            open = true;
        }
        if (info.type == dtl::SES_DELETE) {
            ++run.leftCount;
            leftAt = static_cast<std::size_t>(info.beforeIdx);
        } else {
            ++run.rightCount;
            rightAt = static_cast<std::size_t>(info.afterIdx);
        }
    }
    flush();
    return differences;
}

}  // namespace marbolt
