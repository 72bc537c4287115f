// Sequence numbers written anew, with the words that name a block
// following their block: against programs worked out by hand, and as
// properties (a second renumbering changes nothing; every reference still
// names the block it named).
#include "nc/ncblock.h"
#include "nc/renumber.h"

#include "crlf.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace marbolt::nc;


TEST(Renumber, EveryBlockIsNumberedAndItsReferencesFollow)
{
    const std::string before = crlf(
        "%\n"
        "O1000(MAIN)\n"
        "N5 G90 G54\n"
        "#1=0\n"
        "N7 IF [#1 GT 3] GOTO 9\n"
        "(ONLY A COMMENT)\n"
        "G00 X0 Y0\n"
        "#1=#1+1\n"
        "GOTO 7\n"
        "N9 M98 Q30\n"
        "N30 M99 P5\n"
        "M30\n"
        "%\n");
    const RenumberResult r = renumber(before, RenumberOptions{});
    EXPECT_EQ(r.text, crlf("%\n"
                           "O1000(MAIN)\n"
                           "N10 G90 G54\n"
                           "N20 #1=0\n"
                           "N30 IF [#1 GT 3] GOTO 70\n"
                           "(ONLY A COMMENT)\n"
                           "N40 G00 X0 Y0\n"
                           "N50 #1=#1+1\n"
                           "N60 GOTO 30\n"
                           "N70 M98 Q80\n"
                           "N80 M99 P10\n"
                           "N90 M30\n"
                           "%\n"));
    EXPECT_EQ(r.blocks, 9u);
    EXPECT_EQ(r.references, 4u);
    EXPECT_TRUE(r.problems.empty());
}

TEST(Renumber, OnlyTheNumberedBlocksStartStepAndDigits)
{
    RenumberOptions o;
    o.onlyNumbered = true;
    o.start = 100;
    o.step = 5;
    o.digits = 4;
    const RenumberResult r = renumber(crlf("O2(SUB)\nN1G01X1.\nG01X2.\n/N2G01X3.\nn3 M99 P1\n"), o);
    EXPECT_EQ(r.text, crlf("O2(SUB)\nN0100G01X1.\nG01X2.\n/N0105G01X3.\nn0110 M99 P100\n"));
    // Without "only the numbered", an unnumbered block gets its N after a
    // block skip, with no blank where the block has none.
    EXPECT_EQ(renumber("/2G01X1.\r\n", RenumberOptions{}).text, "/2N10G01X1.\r\n");
}

TEST(Renumber, ProgramsAreNumberedEachFromTheStartAndReferencesStayInTheirProgram)
{
    const RenumberResult r = renumber(crlf("O1\nN50 GOTO 60\nN60 M30\nO2\nN60 M99 P50\n"), RenumberOptions{});
    // O2's P50 names no block of O2: left, and said.
    EXPECT_EQ(r.text, crlf("O1\nN10 GOTO 20\nN20 M30\nO2\nN10 M99 P50\n"));
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].kind, RenumberProblemKind::MissingTarget);
    EXPECT_EQ(r.problems[0].line, 4u);
    EXPECT_EQ(r.problems[0].number, 50);
}

TEST(Renumber, ALathesCyclesFollowTheirShapeAndAMillsPeckDrillKeepsItsDepth)
{
    const std::string lathe = crlf("O3\nG71U2.R1.\nG71P100Q200U0.4W0.2F0.3\nN100G00X40.\nG01Z-30.\nN200X60.\nG70P100Q200\n");
    RenumberOptions o;
    o.lathe = true;
    EXPECT_EQ(renumber(lathe, o).text,
              crlf("O3\nN10G71U2.R1.\nN20G71P30Q50U0.4W0.2F0.3\nN30G00X40.\nN40G01Z-30.\nN50X60.\nN60G70P30Q50\n"));
    // A machining centre's G73: Q is the peck, P a dwell.
    const std::string mill = crlf("O4\nN100G98G73X0Y0Z-20.R2.Q3.P100F100\nN200G80\n");
    EXPECT_EQ(renumber(mill, RenumberOptions{}).text, crlf("O4\nN10G98G73X0Y0Z-20.R2.Q3.P100F100\nN20G80\n"));
}

TEST(Renumber, WhatCannotBeFollowedIsLeftAndSaid)
{
    const RenumberResult r = renumber(crlf("O5\nN10 GOTO #1\nN10 M00\nN20 GOTO 10\n"), RenumberOptions{});
    EXPECT_EQ(r.text, crlf("O5\nN10 GOTO #1\nN20 M00\nN30 GOTO 10\n"));
    ASSERT_EQ(r.problems.size(), 2u);
    EXPECT_EQ(r.problems[0].kind, RenumberProblemKind::DuplicateNumber);
    EXPECT_EQ(r.problems[1].kind, RenumberProblemKind::VariableTarget);

    RenumberOptions big;
    big.start = 99990;
    const RenumberResult over = renumber("G00\nG01\n", big);
    ASSERT_EQ(over.problems.size(), 1u);
    EXPECT_EQ(over.problems[0].kind, RenumberProblemKind::NumberTooLarge);
    EXPECT_EQ(over.problems[0].line, 1u);
}

// Property: on random programs with GOTO and M99 P references, a second
// renumbering changes nothing, and each reference names the block (by its
// words after the N) that it named before.
TEST(Renumber, ReferencesNameTheSameBlocksAndASecondRunChangesNothing)
{
    std::mt19937 random(5);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const int count = 3 + static_cast<int>(random() % 30);
        std::vector<int> numbers;
        for (int i = 0; i < count; ++i)
            numbers.push_back(i * 3 + 1 + static_cast<int>(random() % 3));  // rising, unique
        std::string text = "O100\r\n";
        for (int i = 0; i < count; ++i) {
            const int to = numbers[random() % numbers.size()];
            switch (random() % 3) {
            case 0: text += "N" + std::to_string(numbers[i]) + " GOTO " + std::to_string(to) + " (B" + std::to_string(i) + ")\r\n"; break;
            case 1: text += "N" + std::to_string(numbers[i]) + " M99 P" + std::to_string(to) + " (B" + std::to_string(i) + ")\r\n"; break;
            default: text += "N" + std::to_string(numbers[i]) + " G01 X" + std::to_string(i) + ". (B" + std::to_string(i) + ")\r\n"; break;
            }
        }
        RenumberOptions o;
        o.start = 1 + static_cast<long>(random() % 100);
        o.step = 1 + static_cast<long>(random() % 20);
        const RenumberResult once = renumber(text, o);
        ASSERT_TRUE(once.problems.empty());
        EXPECT_EQ(renumber(once.text, o).text, once.text);

        // Which comment (block) each reference names, before and after.
        auto named = [](const std::string &program) {
            std::vector<std::string> lines;
            std::size_t start = 0;
            for (std::size_t lf; (lf = program.find('\n', start)) != std::string::npos; start = lf + 1)
                lines.push_back(program.substr(start, lf - start));
            std::vector<std::string> out;
            Block b;
            for (const std::string &line : lines) {
                readBlock(line, b);
                long to = -1;
                if (b.macro())
                    to = std::stol(line.substr(line.find("GOTO") + 5));
                else if (const Word *p = b.find('P'))
                    to = static_cast<long>(*p->number);
                if (to < 0)
                    continue;
                for (const std::string &other : lines) {
                    Block t;
                    readBlock(other, t);
                    if (const Word *n = t.find('N'); n && static_cast<long>(*n->number) == to)
                        out.push_back(other.substr(other.find("(B")));  // (a GOTO's statement holds it)
                }
            }
            return out;
        };
        EXPECT_EQ(named(once.text), named(text));
    }
}

TEST(Renumber, NumbersAreTakenOutButOfTheBlocksTheProgramNames)
{
    const NumberRemoval r = removeNumbers(crlf("O1\nN10 G00 X0\nN20 IF [#1 GT 0] GOTO 40\n/N30 G01 X1.\n"
                                               "N40 M99 P20\nO2\nN20 G00\n"),
                                          false);
    // O2's N20 is named by no word of O2.
    EXPECT_EQ(r.text, crlf("O1\nG00 X0\nN20 IF [#1 GT 0] GOTO 40\n/G01 X1.\nN40 M99 P20\nO2\nG00\n"));
    EXPECT_EQ(r.removed, 3u);
    ASSERT_EQ(r.kept.size(), 2u);
    EXPECT_EQ(r.kept[0].line, 2u);
    EXPECT_EQ(r.kept[0].number, 20);
    EXPECT_EQ(r.kept[1].number, 40);

    // A lathe's finishing shape keeps its first and last N; a GOTO to a
    // variable keeps every N of its program.
    EXPECT_EQ(removeNumbers("G70P5Q7\nN5G01X1.\nN6X2.\nN7X3.\n", true).text, "G70P5Q7\nN5G01X1.\nX2.\nN7X3.\n");
    EXPECT_EQ(removeNumbers("N1 GOTO #2\nN2 M30\n", false).removed, 0u);
}

// A range: only its blocks get new numbers, the references to them follow
// wherever they stand in the program, the blocks outside keep theirs, and
// a new number that a block outside already has is said.
TEST(Renumber, ARangeIsNumberedAndTheReferencesOutsideItFollow)
{
    const std::string text = crlf("O1\nN1 GOTO 3\nN2 G00\nN3 G01 X1.\nN4 M99 P2\nO2\nN3 G00\n");
    RenumberOptions o;
    o.start = 100;
    o.lines = {2, 4};  // N2 and N3 of O1
    const RenumberResult r = renumber(text, o);
    EXPECT_EQ(r.text, crlf("O1\nN1 GOTO 110\nN100 G00\nN110 G01 X1.\nN4 M99 P100\nO2\nN3 G00\n"));
    EXPECT_EQ(r.blocks, 2u);
    EXPECT_EQ(r.references, 2u);
    EXPECT_EQ(r.referencesOutside, 2u);
    EXPECT_TRUE(r.problems.empty());

    // N1 ... N2 renumbered from 4 by 1 make a second N4 beside the one kept.
    o.start = 3;
    o.step = 1;
    o.lines = {1, 3};
    const RenumberResult clash = renumber(text, o);
    ASSERT_EQ(clash.problems.size(), 2u);
    EXPECT_EQ(clash.problems[0].kind, RenumberProblemKind::ClashOutside);
    EXPECT_EQ(clash.problems[0].line, 1u);  // the new N3 beside the kept N3
    EXPECT_EQ(clash.problems[1].kind, RenumberProblemKind::ClashOutside);
    EXPECT_EQ(clash.problems[1].number, 4);

    // Removal in a range leaves the numbers outside it.
    EXPECT_EQ(removeNumbers(crlf("N1 G00\nN2 G01\nN3 G02\n"), false, {1, 2}).text, crlf("N1 G00\nG01\nN3 G02\n"));
}
