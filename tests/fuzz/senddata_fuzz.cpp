// What a send puts on the line, for any document: line ends are CR LF
// before the code, seven-bit text goes out in ISO with even parity,
// comment lines go whole.
#include "fuzzcheck.h"

#include "serial/punchcodes.h"
#include "transfer/sendcheck.h"
#include "transfer/senddata.h"

#include <algorithm>
#include <bit>

using namespace marbolt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view source(reinterpret_cast<const char *>(data) + 1, size - 1);
    const std::string normal = normaliseLineEnds(source);
    for (std::size_t i = 0; i < normal.size(); ++i) {
        if (normal[i] == '\r')
            FUZZ_CHECK(i + 1 < normal.size() && normal[i + 1] == '\n');
        if (normal[i] == '\n')
            FUZZ_CHECK(i > 0 && normal[i - 1] == '\r');
    }
    FUZZ_CHECK(normaliseLineEnds(normal) == normal);
    FUZZ_CHECK(stripCommentLines(normal).size() <= normal.size());

    SendOptions options;
    options.headPercent = data[0] & 1;
    const PunchCode codes[] = {PunchCode::None, PunchCode::Iso, PunchCode::Eia};
    options.code = codes[(data[0] >> 1) % 3];
    const SendData prepared = prepareSendData(source, options);
    // Seven-bit text goes out with even parity; bytes from 0x80 up have no
    // ISO character at all (the check before sending reports them).
    const bool sevenBit = std::all_of(source.begin(), source.end(),
                                      [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (options.code == PunchCode::Iso && sevenBit)
        for (char c : prepared.bytes)
            FUZZ_CHECK(std::popcount(static_cast<unsigned char>(c)) % 2 == 0);
    for (std::size_t k = 0; k < prepared.bytes.size(); ++k)
        isProgramBoundary(prepared.bytes, k);

    // The check before sending: every finding leads back to the byte it
    // names in the source, and leaving out the comments that hold findings
    // leaves nothing in them to find.
    const PreparedText text = prepareSendText(source, options);
    FUZZ_CHECK(encodeSendData(text, options.code).bytes == prepared.bytes);
    const std::vector<CheckFinding> findings = checkSendText(text.text, options.code);
    bool allInComments = true;
    PlaceWalk walk(source);
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const CheckFinding &f = findings[i];
        FUZZ_CHECK(f.offset < text.text.size());
        FUZZ_CHECK(i == 0 || findings[i - 1].offset < f.offset);
        allInComments = allInComments && f.inComment;
        const std::size_t at = text.sourceOffset(f.offset);
        if (at != std::string::npos && normal.size() == source.size())
            FUZZ_CHECK(source[at] == text.text[f.offset]);
        const std::size_t place = at == std::string::npos ? source.size() : at;
        const TextPlace walked = walk.at(place), alone = placeIn(source, place);
        FUZZ_CHECK(walked.line == alone.line && walked.column == alone.column);
    }
    if (!findings.empty() && allInComments && normal.size() == source.size()) {
        const std::string rest = withoutFindingComments(source, text, findings);
        FUZZ_CHECK(rest.size() < source.size());
    }
    return 0;
}
