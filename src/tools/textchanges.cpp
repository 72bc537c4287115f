#include "tools/textchanges.h"

#include <algorithm>

namespace marbolt {

namespace {

std::vector<TextChange> oneChange(std::string_view before, std::string_view after, std::size_t offset)
{
    std::size_t head = 0;
    const std::size_t shorter = std::min(before.size(), after.size());
    while (head < shorter && before[head] == after[head])
        ++head;
    std::size_t tail = 0;
    while (tail < shorter - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    if (head == before.size() && head == after.size())
        return {};
    return {{offset + head, offset + before.size() - tail,
             std::string(after.substr(head, after.size() - tail - head))}};
}

}  // namespace

std::vector<TextChange> changesBetween(std::string_view before, std::string_view after, std::size_t offset,
                                       std::size_t joinGap)
{
    if (std::count(before.begin(), before.end(), '\n') != std::count(after.begin(), after.end(), '\n'))
        return oneChange(before, after, offset);
    std::vector<TextChange> changes;
    // The run being gathered: [runB, endB) of before becomes [runA, endA) of after.
    bool open = false;
    std::size_t runB = 0, runA = 0, endB = 0, endA = 0;
    auto close = [&] {
        changes.push_back({offset + runB, offset + endB, std::string(after.substr(runA, endA - runA))});
        open = false;
    };
    std::size_t b = 0, a = 0;
    while (b < before.size() || a < after.size()) {
        std::size_t lb = before.find('\n', b);
        std::size_t la = after.find('\n', a);
        lb = lb == std::string_view::npos ? before.size() : lb + 1;
        la = la == std::string_view::npos ? after.size() : la + 1;
        const bool same = before.substr(b, lb - b) == after.substr(a, la - a);
        if (!same) {
            if (!open) {
                open = true;
                runB = b;
                runA = a;
            }
            endB = lb;
            endA = la;
        } else if (open && lb - endB >= joinGap) {
            close();
        }
        b = lb;
        a = la;
    }
    if (open)
        close();
    return changes;
}

std::size_t lengthAfter(std::size_t length, const std::vector<TextChange> &changes)
{
    for (const TextChange &c : changes)
        length = length - (c.end - c.start) + c.text.size();
    return length;
}

}  // namespace marbolt
