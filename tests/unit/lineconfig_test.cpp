// How line settings become a tty configuration, without a device.
#include "serial/lineconfig.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

using namespace marbolt;

namespace {

// A port as a driver might report it before Open: cooked, 7E1 at 1200.
termios reportedPort()
{
    termios t{};
    t.c_iflag = ICRNL | IXON | ISTRIP;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ISIG;
    t.c_cflag = CS7 | PARENB | PARODD | CSTOPB;
    cfsetispeed(&t, B1200);
    cfsetospeed(&t, B1200);
    t.c_cc[VSTART] = 0x01;
    t.c_cc[VSTOP] = 0x02;
    return t;
}

LineConfig configFor(const LineSettings &s)
{
    auto c = lineConfigFor(s, reportedPort());
    EXPECT_TRUE(c);
    return c.value_or(LineConfig{});
}

}  // namespace

TEST(LineConfig, TheSendPortIsARawEightBitLineWithItsFlowCharacters)
{
    LineSettings s = LineSettings::sendPortDefaults();
    s.bps = 4800;
    s.XonChar = 0x11;
    s.XoffChar = 0x93;
    const LineConfig c = configFor(s);
    const termios &t = c.attributes;
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(cfgetospeed(&t), B4800);
    EXPECT_EQ(cfgetispeed(&t), B4800);
    EXPECT_FALSE(c.customSpeed);
    EXPECT_FALSE(t.c_cflag & CSTOPB);  // "1"
    EXPECT_FALSE(t.c_cflag & PARENB);  // "無し"
    EXPECT_FALSE(t.c_iflag & (ICRNL | ISTRIP | IXON | IXOFF));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_TRUE(t.c_cflag & CREAD);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x93) << "DC3 with its parity bit must be the stop character";
    EXPECT_EQ(c.raiseLines, TIOCM_DTR | TIOCM_RTS);
    EXPECT_EQ(c.lowerLines, 0);
    EXPECT_TRUE(c.dropNul);
    EXPECT_TRUE(c.abortOnError);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_EQ(bitsPerCharacter(t), 10);
}

TEST(LineConfig, TheReceivePortAddsInputFlowControlOnly)
{
    LineSettings s = LineSettings::receivePortDefaults();
    s.flowflag = kReceiveFlowFlag;
    s.XoffChar = 0x93;  // as a reception sets them
    s.XonChar = 0x11;
    const LineConfig c = configFor(s);
    // 0x93 once fewer than 800 of the 1024 bytes are free, 0x11 below 100:
    // done by the port itself, not by Linux at its own levels.
    ASSERT_TRUE(c.inputLimits);
    EXPECT_EQ(*c.inputLimits, (LineConfig::InputLimits{224, 100}));
    EXPECT_FALSE(c.attributes.c_iflag & IXOFF);
    EXPECT_FALSE(c.attributes.c_iflag & IXON);
    EXPECT_EQ(c.attributes.c_cc[VSTOP], 0x93);
    EXPECT_EQ(c.attributes.c_cc[VSTART], 0x11);

    // A limit left at 0: the port's own levels, Linux's input flow control.
    s.XonLim = 0;
    const LineConfig own = configFor(s);
    EXPECT_FALSE(own.inputLimits);
    EXPECT_TRUE(own.attributes.c_iflag & IXOFF);
    // No input flow control at all on the send port.
    EXPECT_FALSE(configFor(LineSettings::sendPortDefaults()).inputLimits);
}

TEST(LineConfig, StopBitAndParityTexts)
{
    struct Case {
        const char *name;
        QString stopbit, parity;
        tcflag_t expected;  // of CSTOPB | PARENB | PARODD | CMSPAR
    };
    const tcflag_t keep = CSTOPB | PARENB | PARODD;  // as the port reported
    const Case cases[] = {
        {"1, none", "1", "無し", 0},
        {"2, odd", "2", "奇数", CSTOPB | PARENB | PARODD},
        {"1.5 is two stop bits", "1.5", "なし", CSTOPB},
        {"full-width even", "1", "ｅｖｅｎ", PARENB},
        {"mark", "1", "MARK", PARENB | PARODD | CMSPAR},
        {"space", "1", "スペース", PARENB | CMSPAR},
        {"unknown texts keep the port's own", "3", "NONE", keep},
        {"stop bits kept, parity set", "", "even", CSTOPB | PARENB},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LineSettings s;
        s.stopbit = c.stopbit;
        s.paritymode = c.parity;
        const termios t = configFor(s).attributes;
        EXPECT_EQ(t.c_cflag & (CSTOPB | PARENB | PARODD | CMSPAR), c.expected);
    }
}

// A port opened with nobody's characters but its own stops its peer with
// DC3 and lets it go on with DC1, as every terminal driver does; the
// reverse would hold a machine that asked to send and free one that
// asked to stop.
TEST(LineConfig, APortsOwnFlowCharactersStopWithDc3AndResumeWithDc1)
{
    LineSettings s = LineSettings::receivePortDefaults();
    s.flowflag = kReceiveFlowFlag;
    const LineConfig c = configFor(s);
    EXPECT_EQ(c.attributes.c_cc[VSTOP], 0x13);
    EXPECT_EQ(c.attributes.c_cc[VSTART], 0x11);
}

TEST(LineConfig, ZeroCharactersKeepThePortsOwn)
{
    LineSettings s;
    s.XonChar = 0;
    s.XoffChar = 0;
    const termios t = configFor(s).attributes;
    EXPECT_EQ(t.c_cc[VSTART], 0x01);
    EXPECT_EQ(t.c_cc[VSTOP], 0x02);
}

TEST(LineConfig, SpeedsByteSizesAndRefusals)
{
    LineSettings s;
    s.bps = 31250;
    const LineConfig odd = configFor(s);
    EXPECT_EQ(odd.customSpeed, 31250);
    s.bps = 115200;
    EXPECT_FALSE(configFor(s).customSpeed);

    s.charbit = 7;
    EXPECT_EQ(configFor(s).attributes.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    s.charbit = 0x107;  // only the low 8 bits count
    EXPECT_EQ(configFor(s).attributes.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    s.charbit = 9;
    EXPECT_FALSE(lineConfigFor(s, reportedPort()));
    s.charbit = 8;
    s.bps = 0;
    EXPECT_FALSE(lineConfigFor(s, reportedPort()));
}

TEST(LineConfig, ControlLinesAndHardwareFlow)
{
    LineSettings s;
    s.setFlow({Flow::dfBinary});  // DTR and RTS control 0: lowered
    LineConfig c = configFor(s);
    EXPECT_EQ(c.lowerLines, TIOCM_DTR | TIOCM_RTS);
    EXPECT_EQ(c.raiseLines, 0);
    EXPECT_FALSE(c.dropNul);

    s.setFlow({Flow::dfBinary, Flow::dfRtsControl_b1, Flow::dfDtrControl_b0});  // RTS handshake
    c = configFor(s);
    EXPECT_TRUE(c.attributes.c_cflag & CRTSCTS);
    EXPECT_EQ(c.raiseLines, TIOCM_DTR);

    s.setFlow({Flow::dfBinary, Flow::dfOutxCtsFlow, Flow::dfParity, Flow::dfOutX});
    c = configFor(s);
    EXPECT_TRUE(c.attributes.c_cflag & CRTSCTS);
    EXPECT_TRUE(c.attributes.c_iflag & INPCK);
    EXPECT_TRUE(c.attributes.c_iflag & IXON);
}

TEST(LineConfig, CharacterLengthOnTheLine)
{
    LineSettings s;
    s.stopbit = QStringLiteral("2");
    s.paritymode = QStringLiteral("EVEN");
    EXPECT_EQ(bitsPerCharacter(configFor(s).attributes), 12);
    s.paritymode = QStringLiteral("無し");
    EXPECT_EQ(bitsPerCharacter(configFor(s).attributes), 11);
}
