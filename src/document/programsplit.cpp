#include "document/programsplit.h"

namespace marbolt {

std::optional<long> programNumber(std::string_view line)
{
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string_view::npos || (line[i] != 'O' && line[i] != 'o' && line[i] != ':'))
        return std::nullopt;
    ++i;
    long n = 0;
    std::size_t digits = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && digits < 9) {
        n = n * 10 + (line[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0 || (i < line.size() && line[i] >= '0' && line[i] <= '9'))
        return std::nullopt;
    return n;
}

bool isPercentLine(std::string_view line)
{
    const std::size_t i = line.find_first_not_of(" \t");
    return i != std::string_view::npos && line[i] == '%';
}

std::vector<ReceivedProgram> splitPrograms(std::string_view received)
{
    // Where each program's O-line starts, and its number.
    std::vector<std::pair<std::size_t, long>> opens;
    bool leadOnly = true;  // nothing but "%" lines and blanks before the first O-line
    for (std::size_t at = 0; at < received.size();) {
        std::size_t end = received.find('\n', at);
        end = end == std::string_view::npos ? received.size() : end + 1;
        const std::string_view line = received.substr(at, end - at);
        if (const auto n = programNumber(line))
            opens.push_back({at, *n});
        else if (opens.empty())
            leadOnly = leadOnly && (isPercentLine(line) || line.find_first_not_of(" \t\r\n") == std::string_view::npos);
        at = end;
    }
    std::vector<ReceivedProgram> programs;
    if (opens.empty()) {
        if (!received.empty())
            programs.push_back({std::nullopt, received});
        return programs;
    }
    // The tape's lead goes with the first program; other text before it is a piece of its own.
    if (!leadOnly)
        programs.push_back({std::nullopt, received.substr(0, opens.front().first)});
    for (std::size_t i = 0; i < opens.size(); ++i) {
        const std::size_t from = i == 0 && leadOnly ? 0 : opens[i].first;
        const std::size_t to = i + 1 < opens.size() ? opens[i + 1].first : received.size();
        programs.push_back({opens[i].second, received.substr(from, to - from)});
    }
    return programs;
}

}  // namespace marbolt
