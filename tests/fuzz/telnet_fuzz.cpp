// What an RFC 2217 server (or anything listening at its address) sends:
// any bytes through the Telnet codec. Split anywhere, the wire gives the
// same data, answers and state; the data is never longer than the wire;
// every answer is a whole three-byte negotiation.
#include "fuzzcheck.h"

#include "serial/telnetcodec.h"

using namespace marbolt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t cut = data[0] % size;
    TelnetCodec whole, split;
    whole.greeting();
    split.greeting();
    std::string wholeData, wholeReplies, splitData, splitReplies;
    whole.feed(data + 1, size - 1, wholeData, wholeReplies);
    const std::size_t first = std::min(cut, size - 1);
    split.feed(data + 1, first, splitData, splitReplies);
    split.feed(data + 1 + first, size - 1 - first, splitData, splitReplies);

    FUZZ_CHECK(wholeData == splitData);
    FUZZ_CHECK(wholeReplies == splitReplies);
    FUZZ_CHECK(wholeData.size() <= size - 1);
    FUZZ_CHECK(wholeReplies.size() % 3 == 0);
    for (std::size_t i = 0; i < wholeReplies.size(); i += 3) {
        FUZZ_CHECK(static_cast<std::uint8_t>(wholeReplies[i]) == telnet::IAC);
        const auto verb = static_cast<std::uint8_t>(wholeReplies[i + 1]);
        FUZZ_CHECK(verb >= telnet::WILL && verb <= telnet::DONT);
    }
    FUZZ_CHECK(whole.comPortAccepted() == split.comPortAccepted());
    FUZZ_CHECK(whole.refused() == split.refused());
    FUZZ_CHECK(whole.lineErrors() == split.lineErrors());
    FUZZ_CHECK(whole.reportedBaud == split.reportedBaud);
    FUZZ_CHECK(whole.suspended() == split.suspended());
    return 0;
}
