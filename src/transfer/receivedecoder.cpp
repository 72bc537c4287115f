#include "transfer/receivedecoder.h"

#include "serial/punchcodes.h"

#include <bit>

namespace marbolt {

bool ReceiveDecoder::detect(std::uint8_t raw)
{
    if (raw == 0x0A)
        code_ = ReceiveCode::Iso;
    else if (raw == 0x80)
        code_ = ReceiveCode::Eia;
    return code_ != ReceiveCode::Undetected;
}

ReceiveDecoder::Step ReceiveDecoder::feed(std::uint8_t raw)
{
    const bool faulty = code_ == ReceiveCode::Eia ? receia(raw) == 0x10 && raw != 0x7F
                                                  : std::popcount(raw) % 2 != 0;
    if (faulty) {
        ++faulty_;
        if (faultyLines_.size() < kListedLines && (faultyLines_.empty() || faultyLines_.back() != lineIndex_))
            faultyLines_.push_back(lineIndex_);
    }
    char c = static_cast<char>(code_ == ReceiveCode::Eia ? receia(raw) : deciso(raw));
    if (c == '(')
        incomment_ = true;
    else if (c == ')')
        incomment_ = false;
    if (!incomment_) {
        if (c == ':')
            c = 'O';
        if (c == '%') {
            text_ += line_;
            text_ += "%\r\n";
            line_.clear();
            return Step::EndPercent;
        }
    }
    if (c == 0x14) {
        text_ += line_;
        line_.clear();
        return Step::EndDc4;
    }
    if (c == '\n') {
        finished_ = trimLine(line_);
        text_ += finished_;
        text_ += "\r\n";
        recbytes_ += static_cast<long long>(finished_.size()) + 2;
        line_.clear();
        ++lineIndex_;
        return Step::LineFinished;
    }
    if (c != '\r')
        line_ += c;
    return Step::Continue;
}

std::string trimLine(const std::string &line)
{
    std::size_t first = 0;
    std::size_t last = line.size();
    while (first < last && static_cast<unsigned char>(line[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(line[last - 1]) <= ' ')
        --last;
    return line.substr(first, last - first);
}

}  // namespace marbolt
