#include "station/dncrequest.h"

#include "station/receivefolder.h"

#include <algorithm>
#include <cctype>

namespace marbolt {

namespace {

// After "REQ": [O]digits, then optionally N digits.
std::optional<DncRequest> readComment(std::string_view c)
{
    std::string s;
    for (char ch : c)
        if (ch != ' ' && ch != '\t')
            s += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (s.rfind("REQ", 0) != 0)
        return std::nullopt;
    std::size_t i = 3;
    if (i < s.size() && s[i] == 'O')
        ++i;
    auto digits = [&s, &i]() -> std::optional<long> {
        const std::size_t from = i;
        long n = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && i - from < 9)
            n = n * 10 + (s[i++] - '0');
        if (i == from || (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))))
            return std::nullopt;
        return n;
    };
    const auto program = digits();
    if (!program)
        return std::nullopt;
    DncRequest r;
    r.program = *program;
    if (i < s.size() && s[i] == 'N') {
        ++i;
        r.sequence = digits();
        if (!r.sequence)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    return r;
}

}  // namespace

std::optional<DncRequest> readRequest(std::string_view received, const std::vector<long> &requestNumbers)
{
    for (const ReceivedProgram &p : splitPrograms(received)) {
        if (!p.number || std::find(requestNumbers.begin(), requestNumbers.end(), *p.number) == requestNumbers.end())
            continue;
        for (std::size_t open = p.bytes.find('('); open != std::string_view::npos; open = p.bytes.find('(', open + 1)) {
            const std::size_t close = p.bytes.find(')', open);
            if (close == std::string_view::npos)
                break;
            if (auto r = readComment(p.bytes.substr(open + 1, close - open - 1))) {
                r->requestNumber = *p.number;
                return r;
            }
        }
    }
    return std::nullopt;
}

std::string missingProgramAnswer(const DncRequest &request)
{
    return refusalAnswer(request, "NOT FOUND");
}

std::string refusalAnswer(const DncRequest &request, std::string_view reason)
{
    std::string text = "O" + std::to_string(request.requestNumber) + "\r\n(O" + std::to_string(request.program);
    if (request.sequence)
        text += " N" + std::to_string(*request.sequence);
    return text + " " + std::string(reason) + ")\r\nM30\r\n";
}

}  // namespace marbolt
