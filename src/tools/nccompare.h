#pragma once
// Compare (照合): two NC texts block by block, as a control reads them.
// Each block is reduced to a key by the chosen rules (sequence numbers,
// blanks and comments left out, numbers by value); the keys are aligned
// by a Myers O(NP) diff (dtl). Line ends, "%" lines and the tape leader
// never count. Pure: texts in, differences out.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt {

struct CompareOptions {
    bool ignoreSequenceNumbers = true;  // N100 at a block's start
    bool ignoreBlanks = true;
    bool ignoreComments = true;         // "(" ... ")" or to the line's end
    bool numbersByValue = true;         // X3.1 = X3.100 = X03.1, F30. = F30.0; X1 and X1. stay apart
};

// A block of a text that counts: its line (0-based) and its key.
struct CompareBlock {
    std::size_t line = 0;
    std::string key;
};

// The blocks of text (lines split at LF, CR dropped) that count under the
// options: a line whose key is empty, or that holds only "%", does not.
std::vector<CompareBlock> compareBlocks(std::string_view text, const CompareOptions &options);

// A block's key: what the control reads of the line under the options.
std::string blockKey(std::string_view line, const CompareOptions &options);

enum class DifferenceKind { Changed, OnlyLeft, OnlyRight };

// A run of differing blocks, as indexes into the two block lists; a
// changed run has blocks on both sides.
struct Difference {
    DifferenceKind kind = DifferenceKind::Changed;
    std::size_t leftFirst = 0, leftCount = 0;
    std::size_t rightFirst = 0, rightCount = 0;
};

std::vector<Difference> compareTexts(const std::vector<CompareBlock> &left, const std::vector<CompareBlock> &right);

}  // namespace marbolt
