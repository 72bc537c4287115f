// Restarting a program from one of its blocks: the headers against
// programs whose state at the restart block was worked out by hand, on a
// machining centre (tool, length offset, spindle, coolant, a peck cycle
// armed with K0) and on a lathe (turret, spindle limit, surface speed,
// feed per revolution, X as a diameter).
#include "nc/restart.h"

#include "crlf.h"

#include <gtest/gtest.h>

using namespace marbolt::nc;


TEST(Restart, AMillingProgramAtASequenceNumber)
{
    const std::string doc = crlf(
        "%\n"
        "O1000\n"
        "G90 G17 G21 G54\n"
        "(T1 FACE MILL)\n"
        "T1 M06\n"
        "T2\n"
        "G43 H1 Z50.\n"
        "S1500 M03\n"
        "M08\n"
        "G00 X10. Y20.\n"
        "G01 Z-2. F300\n"
        "X50.\n"
        "N1020 Y60.\n"
        "X10.\n"
        "M30\n"
        "O2000\n"
        "M99\n");
    const std::size_t program = doc.find("O1000");
    const auto at = findSequence(doc, program, 1020);
    ASSERT_TRUE(at);
    EXPECT_EQ(*at, doc.find("N1020"));
    EXPECT_FALSE(findSequence(doc, program, 1030));
    RestartOptions options;
    options.safeZ = 100;
    const auto plan = planRestart(doc, program, *at, options);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->line, 12u);
    EXPECT_EQ(plan->programLine, "O1000\r\n");
    EXPECT_EQ(plan->header, crlf("(RESTART AT N1020)\n"
                                 "G40 G49 G80\n"
                                 "G21 G17 G90 G94\n"
                                 "G54\n"
                                 "T1 M06\n"
                                 "T2\n"
                                 "S1500 M03\n"
                                 "G00 X50. Y20.\n"
                                 "G43 Z100. H1\n"
                                 "M08\n"
                                 "G01 Z-2. F300\n"));
    EXPECT_EQ(plan->rest, crlf("N1020 Y60.\nX10.\nM30\n"));
    EXPECT_TRUE(plan->notes.empty());
    EXPECT_EQ(plan->text(), plan->programLine + plan->header + plan->rest);

    // From inside a comment line: the next block.
    const auto fromComment = planRestart(doc, program, doc.find("T1 FACE"), options);
    ASSERT_TRUE(fromComment);
    EXPECT_EQ(fromComment->rest.substr(0, 8), "T1 M06\r\n");
    // After the last block: nothing to restart.
    EXPECT_FALSE(planRestart("O1\r\nM30\r\n", 0, 9, options));
}

TEST(Restart, ACannedCycleIsArmedWithoutAHoleAndAnArcKeepsItsMotion)
{
    const std::string cycle = crlf(
        "O2\n"
        "G90 G54 G00 X0 Y0\n"
        "T3 M06\n"
        "G43 H3 Z20.\n"
        "S800 M04\n"
        "G99 G83 X10. Y10. Z-30. R3. Q5. F120\n"
        "X20.\n"
        "X30.\n"
        "G80\n");
    const auto plan = planRestart(cycle, 0, cycle.find("X30."), RestartOptions{});
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->header, crlf("(RESTART AT LINE 8)\n"
                                 "G40 G49 G80\n"
                                 "G21 G17 G90 G94\n"
                                 "G54\n"
                                 "T3 M06\n"
                                 "S800 M04\n"
                                 "G00 X20. Y10.\n"
                                 "G43 Z50. H3\n"
                                 "G01 Z3. F120\n"
                                 "G99 G83 Z-30. R3. Q5. F120 K0\n"));

    // An arc continued by a block without its G code: the motion comes
    // back after the approach; a compensation, a call and a macro
    // statement are said.
    const std::string arc = crlf(
        "O3\n"
        "T1 M06\n"
        "M98 P100\n"
        "#1=2\n"
        "G41 D1 G01 X0 Y0 Z-1. F200\n"
        "G02 X10. Y10. R10.\n"
        "X20. Y0 R10.\n");
    const auto arcPlan = planRestart(arc, 0, arc.find("X20."), RestartOptions{});
    ASSERT_TRUE(arcPlan);
    EXPECT_TRUE(arcPlan->header.ends_with("G01 Z-1. F200\r\nG02\r\n"));
    ASSERT_EQ(arcPlan->notes.size(), 4u);  // spindle stopped, compensation, a call, a macro statement
}

TEST(Restart, ALathesTurretSpindleLimitAndDiameter)
{
    const std::string doc = crlf(
        "O3\n"
        "G50 S2000\n"
        "G00 T0101\n"
        "G96 S180 M03\n"
        "G99\n"
        "G00 X50. Z2. M08\n"
        "G01 X40. F0.2\n"
        "Z-20.\n"
        "G00 X100.\n");
    RestartOptions options;
    options.motion.lathe = true;
    options.safeZ = 5;
    const auto plan = planRestart(doc, 0, doc.find("Z-20."), options);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->header, crlf("(RESTART AT LINE 8)\n"
                                 "G40 G80\n"
                                 "G21 G99\n"
                                 "T0101\n"
                                 "G50 S2000\n"
                                 "G96 S180 M03\n"
                                 "G00 Z5.\n"
                                 "G00 X40.\n"
                                 "M08\n"
                                 "G01 Z2. F0.2\n"));
    EXPECT_TRUE(plan->notes.empty());
}
