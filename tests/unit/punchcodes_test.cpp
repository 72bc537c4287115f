#include "serial/punchcodes.h"

#include <gtest/gtest.h>

#include <bitset>
#include <set>

using namespace marbolt;

TEST(PunchCodes, IsoExamples)
{
    struct Row {
        const char *name;
        std::uint8_t in, out;
    } rows[] = {
        {"percent", '%', 0xA5}, {"LF", 0x0A, 0x0A},  {"CR", 0x0D, 0x8D},  {"space", ' ', 0xA0},
        {"O", 'O', 0xCF},       {"G", 'G', 0x47},    {"1", '1', 0xB1},    {"DC3", 0x13, 0x93},
        {"DC1", 0x11, 0x11},    {"DC2", 0x12, 0x12}, {"DC4", 0x14, 0x14}, {"0x81", 0x81, 0x01},
        {"0x83", 0x83, 0x83},   {"0xA5 back", 0xA5, '%'},
    };
    for (const Row &r : rows)
        EXPECT_EQ(sendiso(r.in), r.out) << r.name;
}

TEST(PunchCodes, IsoGivesEvenParityAndDecodesByDroppingBit7)
{
    for (int b = 0; b < 128; ++b) {
        const std::uint8_t c = sendiso(static_cast<std::uint8_t>(b));
        EXPECT_EQ(std::bitset<8>(c).count() % 2, 0u) << b;
        EXPECT_EQ(deciso(c), b) << b;
    }
    EXPECT_EQ(deciso(0xCF), 'O');
    EXPECT_EQ(deciso(0x4F), 'O');
}

TEST(PunchCodes, EveryEiaCharacterAndItsInverse)
{
    struct Row {
        std::uint8_t character, code;
    } rows[] = {
        {0x00, 0x00}, {0x08, 0x2A}, {0x09, 0x3E}, {0x0A, 0x80}, {'%', 0x0B}, {'&', 0x0E},
        {'(', 0x1A},  {')', 0x4A},  {'+', 0x70},  {',', 0x3B},  {'-', 0x40}, {'.', 0x6B},
        {'/', 0x31},  {'0', 0x20},  {'1', 0x01},  {'2', 0x02},  {'3', 0x13}, {'4', 0x04},
        {'5', 0x15},  {'6', 0x16},  {'7', 0x07},  {'8', 0x08},  {'9', 0x19}, {'A', 0x61},
        {'B', 0x62},  {'C', 0x73},  {'D', 0x64},  {'E', 0x75},  {'F', 0x76}, {'G', 0x67},
        {'H', 0x68},  {'I', 0x79},  {'J', 0x51},  {'K', 0x52},  {'L', 0x43}, {'M', 0x54},
        {'N', 0x45},  {'O', 0x46},  {'P', 0x57},  {'Q', 0x58},  {'R', 0x49}, {'S', 0x32},
        {'T', 0x23},  {'U', 0x34},  {'V', 0x25},  {'W', 0x26},  {'X', 0x37}, {'Y', 0x38},
        {'Z', 0x29},
    };
    std::set<std::uint8_t> codes;
    for (const Row &r : rows) {
        EXPECT_EQ(sendeia(r.character), r.code) << "character " << int(r.character);
        EXPECT_EQ(receia(r.code), r.character) << "code " << int(r.code);
        if (r.character != 0) {
            EXPECT_EQ(std::bitset<8>(r.code).count() % 2, 1u) << "odd parity " << int(r.code);
        }
        codes.insert(r.code);
    }
    EXPECT_EQ(codes.size(), std::size(rows)) << "no two characters share a code";

    // Every other character goes out as the EIA blank.
    int blanks = 0;
    for (int b = 0; b < 256; ++b)
        blanks += sendeia(static_cast<std::uint8_t>(b)) == 0x10;
    EXPECT_EQ(blanks, 256 - 49);
}

TEST(PunchCodes, EiaEdgeCases)
{
    EXPECT_EQ(sendeia(0x0D), 0x10) << "CR";
    EXPECT_EQ(sendeia(' '), 0x10);
    EXPECT_EQ(sendeia('a'), 0x10) << "letters are not folded";
    EXPECT_EQ(sendeia('A'), 0x61);
    for (int c : {0x23, 0x2A, 0x3B, 0x5B, 0x82, 0xFF})  // # * ; [ and Shift-JIS bytes
        EXPECT_EQ(sendeia(static_cast<std::uint8_t>(c)), 0x10) << c;
    EXPECT_EQ(receia(0x13), '3') << "0x13 is 3, not DC3";
    EXPECT_EQ(receia(0x93), 0x13) << "DC3";
    EXPECT_EQ(receia(0x10), ' ');
    EXPECT_EQ(receia(0x11), 0x11);
    EXPECT_EQ(receia(0x12), 0x12);
    EXPECT_EQ(receia(0x14), 0x14);
    EXPECT_EQ(receia(0x7F), 0x10);
}

TEST(PunchCodes, SelectionByTheCodeSetting)
{
    EXPECT_EQ(punchCodeFor("ISO"), PunchCode::Iso);
    EXPECT_EQ(punchCodeFor("EIA"), PunchCode::Eia);
    EXPECT_EQ(punchCodeFor("eia"), PunchCode::None);
    EXPECT_EQ(encodeFor(PunchCode::Iso, 'O'), 0xCF);
    EXPECT_EQ(encodeFor(PunchCode::Eia, 'O'), 0x46);
    EXPECT_EQ(encodeFor(PunchCode::None, 'O'), 'O');
    EXPECT_EQ(feedByteFor(PunchCode::Iso), 0xA0);
    EXPECT_EQ(feedByteFor(PunchCode::Eia), 0x10);
    EXPECT_EQ(feedByteFor(PunchCode::None), 0xA0);
}
