// What a machine punches: any bytes through detection and decoding. The
// count shown to the user is the size of the finished lines, and every
// finished line ends with CR LF.
#include "fuzzcheck.h"

#include "transfer/receivedecoder.h"

using namespace marbolt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ReceiveDecoder decoder;
    std::size_t i = 0;
    while (i < size && !decoder.detect(data[i]))
        ++i;
    if (i < size)
        FUZZ_CHECK(decoder.code() != ReceiveCode::Undetected);
    for (++i; i < size; ++i) {
        const auto step = decoder.feed(data[i]);
        if (step == ReceiveDecoder::Step::EndPercent || step == ReceiveDecoder::Step::EndDc4)
            break;
        FUZZ_CHECK(decoder.receivedBytes() == static_cast<long long>(decoder.text().size()));
        if (step == ReceiveDecoder::Step::LineFinished) {
            FUZZ_CHECK(decoder.text().size() >= 2 && decoder.text().compare(decoder.text().size() - 2, 2, "\r\n") == 0);
            FUZZ_CHECK(decoder.finishedLine().find('\n') == std::string::npos);
            FUZZ_CHECK(trimLine(decoder.finishedLine()) == decoder.finishedLine());
        }
    }
    return 0;
}
