#pragma once
// Lines of a text by their start offsets (lines end with LF; a CR before
// the LF belongs to the line break).
#include <QString>

#include <cstddef>
#include <string_view>
#include <vector>

namespace marbolt {

// Start offset of each line of text.
std::vector<std::size_t> lineStarts(std::string_view text);
// Index of the line that holds position p, by those starts.
std::size_t lineAt(const std::vector<std::size_t> &starts, std::size_t p);
// Line `line` of text (UTF-8) without its line break.
std::string_view lineView(std::string_view text, const std::vector<std::size_t> &starts, std::size_t line);
QString lineText(std::string_view text, const std::vector<std::size_t> &starts, std::size_t line);

}  // namespace marbolt
