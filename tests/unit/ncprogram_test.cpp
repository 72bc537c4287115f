// A program read as a control runs it: subprogram calls with their
// repeats and returns, what cannot be followed, the tools, the extents and
// the time, worked out by hand.
#include "nc/ncprogram.h"
#include "nc/pathreading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace marbolt::nc;

namespace {

// Lines joined with CR LF, as the editor holds them.
std::string document(std::initializer_list<const char *> lines)
{
    std::string out;
    for (const char *l : lines)
        out += std::string(l) + "\r\n";
    return out;
}

std::vector<double> xs(const ProgramPath &p)
{
    std::vector<double> out;
    for (const Move &m : p.path.moves)
        out.push_back(m.to.x);
    return out;
}

std::size_t offsetOf(const std::string &doc, const char *line)
{
    return doc.find(line);
}

}  // namespace

TEST(Program, SubprogramsRunAsOftenAsCalledAndReturnAfterTheCall)
{
    const std::string doc = document({"O1000", "G90G00X0Y0Z10.", "M98P2000L3", "M98P22000", "G00X100.", "M30",
                                      "O2000", "G91G01X10.F100", "M99", "%"});
    const ProgramPath p = readProgram(doc, offsetOf(doc, "O1000"), {});
    // Three calls by L, two by P's leading digits; G91 carries back.
    EXPECT_EQ(xs(p), (std::vector<double>{0, 10, 20, 30, 40, 50, 150}));
    EXPECT_TRUE(p.findings.empty());
    EXPECT_EQ(p.path.moves[1].line, 7u);  // the subprogram's own line
    EXPECT_EQ(p.path.moves.back().line, 4u);

    // The subprogram alone ends at its M99, the main program at M30.
    EXPECT_EQ(xs(readProgram(doc, offsetOf(doc, "O2000"), {})), std::vector<double>{10});
}

TEST(Program, M99WithASequenceNumberReturnsThere)
{
    const std::string doc = document({"O1", "M98P2", "N10G00X1.", "N20G00X2.", "M98P3", "N30G00X3.", "M30", "O2",
                                      "M99P20", "O3", "M99P50", "%"});
    const ProgramPath p = readProgram(doc, 0, {});
    EXPECT_EQ(xs(p), (std::vector<double>{2, 3}));
    ASSERT_EQ(p.findings.size(), 1u);
    EXPECT_EQ(p.findings[0].kind, ProgramFindingKind::MissingSequence);
    EXPECT_EQ(p.findings[0].number, 50);
    EXPECT_EQ(p.findings[0].line, 10u);
}

TEST(Program, CallsThatCannotBeFollowedAreFoundAndTheProgramGoesOn)
{
    const std::string doc =
        document({"O1", "M98P9999", "G00X1.", "M98P7", "G00X2.", "M30", "O7", "G91G00X0.1", "M98P7", "M99", "%"});
    const ProgramPath p = readProgram(doc, 0, {});
    ASSERT_EQ(p.findings.size(), 2u);
    EXPECT_EQ(p.findings[0].kind, ProgramFindingKind::MissingProgram);
    EXPECT_EQ(p.findings[0].number, 9999);
    EXPECT_EQ(p.findings[0].line, 1u);
    EXPECT_EQ(p.findings[1].kind, ProgramFindingKind::NestedTooDeep);
    EXPECT_EQ(p.findings[1].line, 8u);
    // O7 called itself ten deep (ten moves of 0.1), then every level
    // returned; the last move is still incremental.
    ASSERT_EQ(p.path.moves.size(), 12u);
    EXPECT_NEAR(p.path.moves[10].to.x, 2.0, 1e-9);
    EXPECT_NEAR(p.path.moves[11].to.x, 4.0, 1e-9);
}

TEST(Program, ToolsExtentsAndTime)
{
    const std::string doc = document({"O1", "T1M06(DRILL 5)", "G90G00X0Y0Z0", "G01X60.F600", "G00X0", "G04P1500",
                                      "T2(END MILL 10)", "M06", "G02X0Y0I10.F600", "(T3 TAP M6)", "T3M06",
                                      "G00X1.", "M30", "%"});
    ReadOptions options;
    options.rapidRate = 6000;
    const ProgramPath p = readProgram(doc, 0, options);
    ASSERT_EQ(p.tools.size(), 3u);
    EXPECT_EQ(p.tools[2].comment, "T3 TAP M6");  // from the comment line before it
    EXPECT_EQ(p.tools[0].tool, 1);
    EXPECT_EQ(p.tools[0].firstLine, 1u);
    EXPECT_EQ(p.tools[0].comment, "DRILL 5");
    EXPECT_EQ(p.tools[1].tool, 2);
    EXPECT_EQ(p.tools[1].firstLine, 7u);
    EXPECT_EQ(p.tools[1].comment, "END MILL 10");
    // The full circle about (10, 0) reaches y = -10 and 10, x = 20.
    EXPECT_NEAR(p.min.x, 0, 1e-9);
    EXPECT_NEAR(p.max.x, 60, 1e-9);  // a last rapid to X1. changes nothing
    EXPECT_NEAR(p.min.y, -10, 1e-9);
    EXPECT_NEAR(p.max.y, 10, 1e-9);
    // 60 mm at 600 mm/min, 60 mm at 6000, 1.5 s dwell, 20 pi mm at 600,
    // 1 mm at 6000.
    EXPECT_NEAR(p.seconds, 6 + 0.6 + 1.5 + 20 * M_PI / 600 * 60 + 0.01, 1e-6);
}

TEST(Program, AnInchProgramsRapidsGoAtTheMachinesRateInInches)
{
    // 10 inches of rapid at 254 mm/min (10 in/min) is a minute; 2 inches
    // of feed at F20 (in/min) six seconds.
    const std::string doc = document({"O1", "G20G90G00X0Y0Z0", "X10.", "G01Y2.F20.", "M30"});
    ReadOptions options;
    options.rapidRate = 254;
    EXPECT_NEAR(readProgram(doc, 0, options).seconds, 60 + 6, 1e-9);
}

TEST(Program, TheWholeDocumentReadsEveryProgramInOrder)
{
    const std::string doc = document({"%", "O10", "G00X1.", "M30", ":20", "G00X2.", "M99", "O30", "G00X3.", "%"});
    const auto programs = programsOf(doc);
    ASSERT_EQ(programs.size(), 3u);
    EXPECT_EQ(programs.at(20).line, 4u);
    EXPECT_EQ(programs.at(20).offset, offsetOf(doc, ":20"));
    EXPECT_EQ(xs(readProgram(doc, std::nullopt, {})), (std::vector<double>{1, 2, 3}));
    // One program alone stops at the next.
    EXPECT_EQ(xs(readProgram(doc, offsetOf(doc, "O30"), {})), std::vector<double>{3});
}

TEST(Program, TheProgramAtTheCaretSpansFromItsOLineToTheNext)
{
    const std::string doc = document({"%", "O10", "G00X1.", "O20", "G00X2.", "%"});
    const std::size_t o10 = offsetOf(doc, "O10");
    const std::size_t o20 = offsetOf(doc, "O20");
    for (const auto &[caret, start, end] :
         {std::tuple{std::size_t(0), std::size_t(0), o10}, std::tuple{o10, o10, o20},
          std::tuple{o20 - 1, o10, o20}, std::tuple{o20, o20, doc.size()}, std::tuple{doc.size(), o20, doc.size()}}) {
        const ProgramSpan span = programSpanAt(doc, caret);
        EXPECT_EQ(span.start, start) << caret;
        EXPECT_EQ(span.end, end) << caret;
    }
}

TEST(Program, WhatALineCannotHoldIsToldOnceWithItsColumn)
{
    const std::string doc = document({"O1", "M98P2L2", "G01X1.@F10", "M30", "O2", "G00X(OPEN", "M99", "%"});
    const ProgramPath p = readProgram(doc, 0, {});
    std::vector<std::tuple<FindingKind, std::uint32_t, std::uint32_t>> found;
    for (const BlockFinding &f : p.blockFindings)
        found.emplace_back(f.kind, f.line, f.column);
    // O2 ran twice; its line is told once, before the main program's.
    EXPECT_EQ(found, (std::vector<std::tuple<FindingKind, std::uint32_t, std::uint32_t>>{
                         {FindingKind::LetterWithoutValue, 5, 3},
                         {FindingKind::UnclosedComment, 5, 4},
                         {FindingKind::UnknownCharacter, 2, 6}}));
}
