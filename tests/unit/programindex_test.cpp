#include "document/programindex.h"

#include <gtest/gtest.h>

#include <random>

#include <string>
#include <vector>

using namespace marbolt;

namespace {

std::vector<std::string> entries(std::string_view text, bool sorted)
{
    auto lines = scanProgramLines(text);
    if (sorted)
        sortIndex(lines);
    dropLeadingDuplicate(lines, [](std::string_view a, std::string_view b) { return a == b; });
    return {lines.begin(), lines.end()};
}

using List = std::vector<std::string>;

}  // namespace

TEST(ProgramIndex, BuildsTheListOfOLines)
{
    struct Row {
        const char *name;
        std::string text;
        bool sorted;
        List expected;
    } rows[] = {
        {"one program between percent lines", "%\r\nO1000\r\nG01X10.\r\nM30\r\n%\r\n", true, {"O1000"}},
        {"first line is an O-line", "O1\r\nO2\r\n", false, {"O1", "O2"}},
        {"no O-line", "%\r\nG01\r\n", true, {}},
        {"empty text", "", true, {}},
        {"last line without a break", "O1\r\nG0\r\nO5", false, {"O1", "O5"}},
        {"entry ends at the CR", "O1(ROUGH)\r\n", true, {"O1(ROUGH)"}},
        {"lower case, blank and colon are not O-lines", "o1\r\n O2\r\n:3\r\nO4\r\n", true, {"O4"}},
        {"sorted: O100 before O20", "O20\r\nO100\r\nO3\r\n", true, {"O100", "O20", "O3"}},
        {"unsorted: document order", "O20\r\nO100\r\nO3\r\n", false, {"O20", "O100", "O3"}},
        {"sorting ignores letter case", "Ob\r\nOA\r\n", true, {"OA", "Ob"}},
        {"two identical at the top, unsorted", "O1\r\nO1\r\nO1\r\nO2\r\n", false, {"O1", "O1", "O2"}},
        {"two smallest identical, sorted", "O9\r\nO1\r\nO1\r\n", true, {"O1", "O9"}},
        {"identical entries further down stay", "O1\r\nO2\r\nO2\r\n", false, {"O1", "O2", "O2"}},
    };
    for (const Row &r : rows)
        EXPECT_EQ(entries(r.text, r.sorted), r.expected) << r.name;
}

TEST(ProgramIndex, ProgramStartFindsTheWholeLineBeforeAPrefix)
{
    const std::string text = "%\r\nO1000\r\nG0\r\nO100\r\nG1\r\n";
    EXPECT_EQ(programStart(text, "O100"), text.find("O100\r"))
        << "O100 must not jump to O1000 that stands before it";
    EXPECT_EQ(programStart(text, "O1000"), text.find("O1000"));
    // Only a longer line exists: the start of that line, as a line-start match.
    EXPECT_EQ(programStart("G0\r\nO1000\r\n", "O100"), 4u);
    EXPECT_EQ(programStart("O7\r\nO70\r\n", "O7"), 0u) << "the first line";
    EXPECT_EQ(programStart("O70\r\nO7\r\n", "O7"), 5u);
    EXPECT_EQ(programStart("G0\r\n", "O5"), 0u) << "missing: position 0";
    EXPECT_EQ(programStart("G0\r\nO5", "O5"), 4u) << "last line without a break";
    EXPECT_EQ(programStart("O5\r\nG\r\nO5\r\n", "O5"), 0u) << "the first of identical lines";
}

TEST(ProgramIndex, ProgramExtentRunsToTheNextProgramOrPercentOrTheEnd)
{
    const std::string text = "%\r\nO1\r\nG0\r\nO2\r\nG1\r\n%\r\nM2\r\n";
    ProgramExtent e = programExtent(text, "O1");
    EXPECT_EQ(text.substr(e.start, e.end - e.start), "O1\r\nG0\r\n") << "its last break belongs to it";
    e = programExtent(text, "O2");
    EXPECT_EQ(text.substr(e.start, e.end - e.start), "O2\r\nG1\r\n") << "up to the next %";
    const std::string tail = "O9\r\nG1\r\nM30";
    e = programExtent(tail, "O9");
    EXPECT_EQ(e.start, 0u);
    EXPECT_EQ(e.end, tail.size()) << "to the end of the text";
    const std::string nested = "O1000\r\nG0\r\nO100\r\nG1\r\nO2\r\n";
    e = programExtent(nested, "O100");
    EXPECT_EQ(nested.substr(e.start, e.end - e.start), "O100\r\nG1\r\n");
}

TEST(ProgramIndex, OccursInMatchesAnywhere)
{
    EXPECT_TRUE(occursIn("G0 O12 X", "O12"));
    EXPECT_FALSE(occursIn("G0\r\n", "O12"));
    EXPECT_FALSE(occursIn("G0\r\n", "")) << "an empty entry never occurs";
}

TEST(ProgramIndex, TheSelectedExtentOfTheCurrentProgram)
{
    auto selected = [](std::string_view text, std::string_view entry) {
        const ProgramExtent e = programExtent(text, entry);
        return std::string(text.substr(e.start, e.end - e.start));
    };
    EXPECT_EQ(selected("O0001\r\nG0\r\nO0002\r\n", "O0001"), "O0001\r\nG0\r\n") << "from position 0";
    EXPECT_EQ(selected("O1\r\nG0\r\n\r\n\r\nO2\r\n", "O1"), "O1\r\nG0\r\n\r\n\r\n") << "blank lines belong to it";
    EXPECT_EQ(selected("%\r\nO1\r\nG0\r\n%\r\n", "O1"), "O1\r\nG0\r\n") << "stops before the closing %";
    EXPECT_EQ(selected("O1\r\nG0 (50%)\r\nM30\r\n", "O1"), "O1\r\nG0 (50") << "a % in a comment ends it too";
    EXPECT_EQ(selected("%\r\nO1\r\nG0\r\nO2\r\n", ""), "O1\r\nG0\r\n") << "an empty box: the second line";
    EXPECT_EQ(selected("G0", ""), "G0") << "a text without a line break";
    // O100 selects its own program, not O1000's that stands before it.
    EXPECT_EQ(selected("O1000\r\nG0\r\nO100\r\nG1\r\n", "O100"), "O100\r\nG1\r\n");
    EXPECT_EQ(selected("G0\r\nO1000\r\nG1\r\n", "O100"), "O1000\r\nG1\r\n") << "only a longer line: that one";
}

TEST(ProgramIndex, ThePrintedExtentOfTheCurrentProgram)
{
    auto printed = [](std::string_view text, std::string_view entry, std::size_t fallback = 0) {
        const ProgramExtent e = printedProgramExtent(text, entry, fallback);
        return std::string(text.substr(e.start, e.end - e.start));
    };
    const std::string doc = "%\r\nO1\r\nG0\r\n\r\n:0010\r\nM30\r\nO2\r\nG1\r\n";
    EXPECT_EQ(printed(doc, "O1"), "O1\r\nG0\r\n\r\n:0010\r\nM30\r\n") << "a : line does not stop it";
    EXPECT_EQ(printed(doc, "O2"), "O2\r\nG1\r\n") << "to the end";
    EXPECT_EQ(printed("O1\r\nG0\r\nX1 (50%)\r\n", "O1"), "O1\r\nG0\r\n") << "a % anywhere stops it";
    // An earlier mention of the entry does not move the start away from the
    // program's own O-line.
    const std::string call = "O1\r\nM98 P100 (CALLS O100)\r\nM30\r\nO100\r\nG1\r\nM99\r\n";
    EXPECT_EQ(printed(call, "O100"), "O100\r\nG1\r\nM99\r\n");
    // Not an O-line anywhere: the line holding the mention, else the fallback's line.
    EXPECT_EQ(printed("G0\r\nX1 (O7)\r\nG1\r\nO8\r\n", "O7"), "X1 (O7)\r\nG1\r\n");
    EXPECT_EQ(printed("G0\r\nG1\r\nG2\r\n", "O7", 5), "G1\r\nG2\r\n");
    EXPECT_EQ(printed("", "O7", 0), "");
}

// The one-pass extents agree with the extent of each entry alone, on
// documents with duplicates, prefixes, "%" lines and no final line break.
TEST(ProgramIndex, AllExtentsInOnePassAgreeWithEachExtentAlone)
{
    std::mt19937 rng(99);
    const std::string_view lines[] = {"O1000", "O100", "O1000 (FLANGE)", "%", "G01X1.", "", ":2000",
                                      "N10O5", "O2", "M30", "(O3)"};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 14);
        for (int i = 0; i < n; ++i) {
            text += lines[rng() % std::size(lines)];
            if (i + 1 < n || rng() % 2)
                text += rng() % 3 ? "\r\n" : "\n";
        }
        std::vector<std::string_view> entries = scanProgramLines(text);
        // Entries that are no O-line of the text take the slow way; they must agree too.
        entries.insert(entries.end(), {"", "O10", "O9", "G01X1."});
        const std::vector<ProgramExtent> all = programExtents(text, entries);
        ASSERT_EQ(all.size(), entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const ProgramExtent one = programExtent(text, entries[i]);
            ASSERT_EQ(all[i].start, one.start) << "round " << round << " entry " << entries[i];
            ASSERT_EQ(all[i].end, one.end) << "round " << round << " entry " << entries[i];
        }
    }
}

TEST(ProgramIndex, SeveralProgramsBecomeOneTextInTheChosenOrder)
{
    const std::string text = "%\r\nO1\r\nG1\r\nO2 (B)\r\nG2\r\nO3\r\nG3\r\n%";
    // The last program ends before "%"; each gets a line break after it.
    EXPECT_EQ(programsText(text, {QStringLiteral("O3"), QStringLiteral("O1")}),
              "O3\r\nG3\r\n\r\nO1\r\nG1\r\n\r\n");
    EXPECT_EQ(programsText(text, {QStringLiteral("O2 (B)")}), "O2 (B)\r\nG2\r\n\r\n");
    EXPECT_EQ(programsText(text, {}), "");
}

// The index gathered piece by piece during an open is the whole text's,
// wherever the pieces end (never inside a CR LF, as the decoder hands
// them), sorted or not.
TEST(ProgramIndex, PiecesGiveTheSameIndexAsTheWholeText)
{
    std::mt19937 random(31);
    const std::vector<std::string> lines{"O1000", "O20(荒)", "o5", "G01X1.", "", "O1000", "%", "O7 (ﾀｯﾌﾟ)", "N10O2"};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            text += lines[random() % lines.size()] + (i + 1 < count || random() % 2 ? "\r\n" : "");
        for (bool sorted : {false, true}) {
            QStringList expected;
            for (const std::string &e : entries(text, sorted))
                expected << QString::fromStdString(e);

            ProgramLineCollector collector(sorted);
            std::size_t at = 0;
            while (at < text.size()) {
                std::size_t n = std::min<std::size_t>(1 + random() % 12, text.size() - at);
                if (at + n < text.size() && text[at + n - 1] == '\r')
                    ++n;  // a CR LF stays together
                collector.add(std::string_view(text).substr(at, n), at + n == text.size());
                at += n;
            }
            if (text.empty())
                collector.add({}, true);
            ASSERT_EQ(collector.take(), expected) << "round " << round << " sorted " << sorted << ": " << text;
        }
    }
}
