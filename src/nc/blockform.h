#pragma once
// A block's form changed, not its words: the blanks between the words
// (one, or none; comments and macro statements keep theirs), and the block
// skip "/" put on, taken off or turned over. O-lines, "%" lines and
// apostrophe lines stay as they are, and so do the line ends.
#include <string>
#include <string_view>

namespace marbolt::nc {

// One blank between the words of every block (spaced), or none.
std::string withWordBlanks(std::string_view text, bool spaced);

enum class BlockSkipChange { Add, Remove, Toggle };
std::string withBlockSkip(std::string_view text, BlockSkipChange change);

}  // namespace marbolt::nc
