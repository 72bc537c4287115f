#pragma once
// The changes that turn one text into another as the editor makes them:
// few, small replacements, so that an undo keeps only what changed and
// the editor's marks on the lines left alone stay.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt {

struct TextChange {
    std::size_t start = 0, end = 0;  // bytes [start, end) of the text before
    std::string text;                // what they become
};

// The changed lines of before and after, which stand at offset in the
// document, as replacements in document order. With as many lines in
// both, lines are compared one by one: runs of changed lines are one
// change each, and two runs with less than joinGap unchanged bytes between
// them are one (0: never joined). Otherwise one change from the first
// difference to the last.
std::vector<TextChange> changesBetween(std::string_view before, std::string_view after, std::size_t offset,
                                       std::size_t joinGap);

// The length after the changes of a text of length `length` before them.
std::size_t lengthAfter(std::size_t length, const std::vector<TextChange> &changes);

}  // namespace marbolt
