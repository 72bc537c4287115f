// A program summed up: blocks as a control counts them, the feed range of
// the cutting moves alone, lengths, the time, and the durations as shown.
#include "nc/statistics.h"

#include <gtest/gtest.h>

using namespace marbolt::nc;

TEST(Statistics, BlocksFeedsLengthsAndTime)
{
    const std::string text =
        "%\n"
        "O10\n"
        "(ONLY A COMMENT)\n"
        "G90 G00 X0 Y0 Z0\n"
        "#1=5\n"
        "/G01 X30. F300\n"  // skipped blocks are read, as with the switch off
        "G00 X60.\n"
        "G01 Y40. F600\n"
        "G04 P2000\n"
        "M30\n"
        "%\n";
    ReadOptions options;
    options.rapidRate = 6000;
    const ProgramStatistics s = statisticsOf(text, text.find("O10"), options);
    EXPECT_EQ(s.lines, 10u);  // to the end: the closing % is the program's last line
    EXPECT_EQ(s.blocks, 7u);  // not the O-line, the comment line or the %
    EXPECT_DOUBLE_EQ(s.rapidLength, 30);
    EXPECT_DOUBLE_EQ(s.feedLength, 70);
    ASSERT_TRUE(s.fed);
    EXPECT_DOUBLE_EQ(s.feedMin, 300);
    EXPECT_DOUBLE_EQ(s.feedMax, 600);
    // 30 mm at F300 (6 s), 40 mm at F600 (4 s), 30 mm of rapid at 6000 (0.3 s), 2 s of dwell.
    EXPECT_NEAR(s.seconds, 12.3, 1e-9);
    EXPECT_FALSE(s.inch);
    EXPECT_EQ(s.unread, 1u);  // #1=5
    EXPECT_EQ(s.unfollowedCalls, 0u);
    EXPECT_EQ(s.max.x, 60);
    EXPECT_EQ(s.max.y, 40);
}

TEST(Statistics, DurationsAsShown)
{
    EXPECT_EQ(durationText(0), "0:00");
    EXPECT_EQ(durationText(59.6), "1:00");
    EXPECT_EQ(durationText(3599), "59:59");
    EXPECT_EQ(durationText(3600), "1:00:00");
    EXPECT_EQ(durationText(90061), "25:01:01");
    EXPECT_EQ(durationText(-5), "0:00");
}
