// The forward and backward searches, against plain searches.
#include "document/textsearch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace marbolt;

namespace {

// The reference: the last occurrence wholly before end, by a plain reverse search.
long long plainLastBefore(const std::string &text, const std::string &needle, std::size_t end)
{
    if (needle.empty() || needle.size() > end)
        return -1;
    const auto p = std::string_view(text).substr(0, end).rfind(needle);
    return p == std::string_view::npos ? -1 : static_cast<long long>(p);
}

}  // namespace

TEST(TextSearch, ForwardFindsOnlyWhollyInsideTheRange)
{
    const std::string t = "O1\r\nG01X1.\r\nG01X2.\r\n";
    EXPECT_EQ(FindForward(t, "G01", 0, t.size()), 4);
    EXPECT_EQ(FindForward(t, "G01", 5, t.size()), 12);
    EXPECT_EQ(FindForward(t, "G01", 4, 2), -1) << "must lie wholly inside";
    EXPECT_EQ(FindForward(t, "G01", 4, 3), 4);
    EXPECT_EQ(FindForward(t, "g01", 0, t.size()), -1) << "case-sensitive";
    EXPECT_EQ(FindForward(t, "X2.", 0, 1000), 15) << "a range past the end is cut";
    EXPECT_EQ(FindForward(t, "", 0, t.size()), -1);
    EXPECT_EQ(FindForward(t, "G01", t.size(), 10), -1);
}

TEST(TextSearch, BackwardExamples)
{
    // Caret 520, a 20-character text at 100 and 510: 510 ends behind the caret.
    std::string t(1000, '.');
    const std::string needle(20, 'Z');
    t.replace(100, 20, needle);
    t.replace(510, 20, needle);
    EXPECT_EQ(FindLastBefore(t, needle, 520), 100);
    EXPECT_EQ(FindLastBefore(t, needle, 530), 510);
    EXPECT_EQ(FindLastBefore(t, needle, 119), -1);
    std::string at0 = "G01" + std::string(100, '.');
    EXPECT_EQ(FindLastBefore(at0, "G01", 50), 0);
    EXPECT_EQ(FindLastBefore(at0, "G01", 0), -1);
}

TEST(TextSearch, BackwardAgreesWithAPlainReverseSearchOnRandomTexts)
{
    std::mt19937 rng(20261208);
    const std::string alphabet = "GXO01\r\n";
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 30000)(rng);
        std::string text(size, ' ');
        for (char &c : text)
            c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
        // Needles up to 300 characters, planted where windows meet.
        const std::size_t len = round % 4 == 0 ? std::uniform_int_distribution<std::size_t>(101, 300)(rng)
                                               : std::uniform_int_distribution<std::size_t>(1, 12)(rng);
        std::string needle(len, ' ');
        for (char &c : needle)
            c = alphabet[std::uniform_int_distribution<std::size_t>(0, 4)(rng)];
        if (size > len + 10) {
            for (std::size_t border : {size - 4900, size - 5000, size - 400, size - 500, size / 2}) {
                if (border < size && border >= len / 2 && border + len - len / 2 <= size)
                    text.replace(border - len / 2, len, needle);
            }
        }
        for (int probe = 0; probe < 5; ++probe) {
            const std::size_t end = std::uniform_int_distribution<std::size_t>(0, size)(rng);
            ASSERT_EQ(FindLastBefore(text, needle, end), plainLastBefore(text, needle, end))
                << "size " << size << " needle " << len << " end " << end;
        }
        ASSERT_EQ(FindLastBefore(text, needle, size), plainLastBefore(text, needle, size));
    }
}
