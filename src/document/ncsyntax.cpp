#include "document/ncsyntax.h"

namespace marbolt {

namespace {

bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+';
}

}  // namespace

std::vector<NcSpan> ncLineSpans(std::string_view line)
{
    std::vector<NcSpan> spans;
    if (!line.empty() && line.front() == '%') {
        spans.push_back({0, line.size(), NcWord::Percent});
        return spans;
    }
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '(') {
            const std::size_t close = line.find(')', i + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close + 1;
            spans.push_back({i, end - i, NcWord::Comment});
            i = end;
        } else if (c >= 'A' && c <= 'Z') {
            std::size_t j = i + 1;
            while (j < line.size() && isNumberChar(line[j]))
                ++j;
            switch (c) {
            case 'O':
            case 'N': spans.push_back({i, j - i, NcWord::ProgramNumber}); break;
            case 'G': spans.push_back({i, j - i, NcWord::GCode}); break;
            case 'M': spans.push_back({i, j - i, NcWord::MCode}); break;
            default:
                spans.push_back({i, 1, NcWord::Address});
                if (j > i + 1)
                    spans.push_back({i + 1, j - i - 1, NcWord::Number});
                break;
            }
            i = j;
        } else if (isNumberChar(c)) {
            std::size_t j = i + 1;
            while (j < line.size() && isNumberChar(line[j]))
                ++j;
            spans.push_back({i, j - i, NcWord::Number});
            i = j;
        } else {
            ++i;
        }
    }
    return spans;
}

}  // namespace marbolt
