// NC files as opened and saved: any bytes decode, the text encodes back,
// and letters aside every byte comes back; chunk borders change nothing.
#include "fuzzcheck.h"

#include "document/sjistext.h"

#include <algorithm>
#include <string>

using namespace marbolt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const std::string text = decodeSjisFile(bytes, SjisFileDecoder::Case::Keep);
    std::string back;
    SjisEncoder encoder;
    FUZZ_CHECK(!encoder.encode(text, back));
    // Line breaks become CR LF; everything else is the file's own bytes.
    if (bytes.find_first_of("\r\n") == std::string_view::npos)
        FUZZ_CHECK(back == bytes);
    FUZZ_CHECK(decodeSjisFile(back, SjisFileDecoder::Case::Keep) == text);

    // The same file in two chunks, cut where the first byte says.
    if (size > 1) {
        const std::size_t cut = 1 + data[0] % (size - 1);
        SjisFileDecoder chunked;
        std::string out;
        chunked.feed(bytes.data(), cut, false, out);
        chunked.feed(bytes.data() + cut, size - cut, true, out);
        std::string upper = decodeSjisFile(bytes);
        FUZZ_CHECK(out == upper);
    }
    return 0;
}
