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

// The differing runs. Inside a run that changed several blocks, the most
// similar blocks (by their words, in order) are paired: each pair is a
// changed run of one block a side, the blocks left over are runs only on
// their side, all in the order of the texts.
std::vector<Difference> compareTexts(const std::vector<CompareBlock> &left, const std::vector<CompareBlock> &right);

// A word of a block as the control reads it: an address with its value
// ("X10.", "G01", "/"), where it stands in the line, and its form under the
// options (a number by its value). Words that do not count under the
// options (the sequence number, comments, blanks) are left out.
struct BlockWord {
    std::size_t start = 0, end = 0;  // in the line, bytes
    std::string form;
};
std::vector<BlockWord> blockWords(std::string_view line, const CompareOptions &options);

// How alike two blocks are by their words: twice the words they share
// over the words of both, 0 to 1.
double wordSimilarity(const std::vector<BlockWord> &a, const std::vector<BlockWord> &b);

// The words of a changed pair that differ: indexes into each side's words,
// those not in the longest common run of words.
struct WordChanges {
    std::vector<std::size_t> left, right;
};
WordChanges changedWords(const std::vector<BlockWord> &left, const std::vector<BlockWord> &right);

// The words of a changed pair as a machinist reads the change: "Y5. → Y6.",
// "-M08" (only on the left), "+M08" (only on the right), joined by ", ".
std::string describeWordChanges(std::string_view leftLine, std::string_view rightLine, const CompareOptions &options);
// The same from the pair's words and their changes, worked out already.
std::string describeWordChanges(std::string_view leftLine, const std::vector<BlockWord> &lw, std::string_view rightLine,
                                const std::vector<BlockWord> &rw, const WordChanges &changes);

}  // namespace marbolt
