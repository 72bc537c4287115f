#pragma once
// Turns the bytes a machine punches out into NC text: detects ISO or EIA
// from the first line-end code, strips the ISO parity bit or decodes EIA,
// rewrites ":" program numbers to "O" outside comments, and finds the end
// ("%" outside a comment, or DC4). Pure; the receive loop feeds it.
#include <cstdint>
#include <string>
#include <vector>

namespace marbolt {

enum class ReceiveCode { Undetected, Iso, Eia };

class ReceiveDecoder {
public:
    enum class Step {
        Continue,      // byte taken into the line
        LineFinished,  // a line ended: finishedLine() holds it, trimmed
        EndPercent,    // "%" outside a comment ended the tape
        EndDc4,        // DC4 ended the transmission
    };

    // Detection: 0x0A selects ISO, 0x80 selects EIA; every byte before,
    // and the deciding byte itself, is dropped. True once decided.
    bool detect(std::uint8_t raw);
    ReceiveCode code() const { return code_; }

    // Reception, after detection.
    Step feed(std::uint8_t raw);

    // Finished lines so far, each followed by CR LF.
    const std::string &text() const { return text_; }
    std::string takeText() { return std::move(text_); }
    const std::string &finishedLine() const { return finished_; }
    // The line being assembled.
    const std::string &currentLine() const { return line_; }
    void discardCurrentLine() { line_.clear(); }
    bool inComment() const { return incomment_; }
    // Sum over finished lines of their trimmed length plus 2.
    long long receivedBytes() const { return recbytes_; }

    // Bytes that came wrong: in ISO an odd parity, in EIA a code without a
    // character (the tape delete, all holes, is no fault). The text keeps
    // what the decoding makes of them; these only count them.
    long long faultyBytes() const { return faulty_; }
    // The lines of text() they fell on (0-based), each once, the first
    // kListedLines of them.
    static constexpr std::size_t kListedLines = 10;
    const std::vector<std::size_t> &faultyLines() const { return faultyLines_; }

private:
    ReceiveCode code_ = ReceiveCode::Undetected;
    std::string text_;
    std::string line_;
    std::string finished_;
    bool incomment_ = false;
    long long recbytes_ = 0;
    long long faulty_ = 0;
    std::size_t lineIndex_ = 0;  // the line being received, in text()
    std::vector<std::size_t> faultyLines_;
};

// A line with leading and trailing blanks and control characters removed.
std::string trimLine(const std::string &line);

}  // namespace marbolt
