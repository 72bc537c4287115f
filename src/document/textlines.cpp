#include "document/textlines.h"

#include <algorithm>

namespace marbolt {

std::vector<std::size_t> lineStarts(std::string_view text)
{
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            starts.push_back(i + 1);
    return starts;
}

std::size_t lineAt(const std::vector<std::size_t> &starts, std::size_t p)
{
    const auto it = std::upper_bound(starts.begin(), starts.end(), p);
    return static_cast<std::size_t>(it - starts.begin()) - 1;
}

std::string_view lineView(std::string_view text, const std::vector<std::size_t> &starts, std::size_t line)
{
    if (line >= starts.size())
        return {};
    const std::size_t start = starts[line];
    std::size_t end = line + 1 < starts.size() ? starts[line + 1] - 1 : text.size();
    if (end > start && text[end - 1] == '\r')
        --end;
    return text.substr(start, end - start);
}

QString lineText(std::string_view text, const std::vector<std::size_t> &starts, std::size_t line)
{
    const std::string_view view = lineView(text, starts, line);
    return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

}  // namespace marbolt
