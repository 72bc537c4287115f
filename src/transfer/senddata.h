#pragma once
// What a send puts on the line, prepared before the first byte: line ends,
// the lead and the end marker, apostrophe comment lines, the punch code.
// Also the pacing arithmetic and the remaining-bytes text. Pure: bytes in,
// bytes out.
#include "serial/punchcodes.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt {

struct SendOptions {
    bool headPercent = false;  // HEAD% "1": lead "%" LF instead of LF
    PunchCode code = PunchCode::None;
};

struct SendData {
    std::string bytes;          // exactly what goes on the line, in order
    std::uint8_t feedchar = 0;  // the space in the chosen code
};

// Where a rewritten text's positions part from the text it was made of:
// from output position `out` on, output and input run together again from
// input position `in`.
struct StripJump {
    std::size_t out = 0;
    std::size_t in = 0;
};
// Every line end (CR LF, CR, LF, LF CR) becomes CR LF. jumps, when given,
// receives a jump after every line end whose length changed.
std::string normaliseLineEnds(std::string_view text, std::vector<StripJump> *jumps = nullptr);
// Removes each line that begins with an apostrophe, with its line end; a
// comment line without a line end within 1000 characters loses exactly its
// first 1001 characters. jumps, when given, receives every jump.
std::string stripCommentLines(std::string_view data, std::vector<StripJump> *jumps = nullptr);

// The text a send puts on the line, before the punch code: line ends, the
// lead and the end marker, the apostrophe lines left out. It keeps how to
// find each of its bytes in the source.
struct PreparedText {
    std::string text;
    std::size_t lead = 0;      // bytes put before the source ("\n" or "%\n")
    std::size_t sourceSize = 0;   // of the source with its line ends made CR LF
    std::vector<StripJump> lineEndJumps;  // source with CR LF line ends -> source
    std::vector<StripJump> jumps;         // over the left-out comment lines
    // The source offset of text[p]; npos for the lead and the end marker.
    std::size_t sourceOffset(std::size_t p) const;
};
// source is Shift-JIS text: the document, or LF and the selected text.
PreparedText prepareSendText(std::string_view source, const SendOptions &options);
// The prepared text in the punch code.
SendData encodeSendData(PreparedText prepared, PunchCode code);
SendData prepareSendData(std::string_view source, const SendOptions &options);

// Tape mode: feed before the line feed that precedes a later program's
// O-line, that is at bytes (0x0A, 0xCF) under ISO or (0x80, 0x46) under EIA.
bool isProgramBoundary(std::string_view data, std::size_t k);
// Pacing points fall where (k * 100) mod speed is 0.
bool isPacingPoint(std::size_t k, int speed);

// Nearest whole number, halves to even.
long long roundHalfEven(double value);
// "残り" r "バイト(約" t "秒)", or minutes above 60 s. rate is bytes per
// second; a rate of 0 or less (too slow a line, or a long pause) falls back
// to the line speed's own estimate, speed / 12, so the text stays sane.
QString remainingText(long long remaining, long long rate, int speed);

}  // namespace marbolt
