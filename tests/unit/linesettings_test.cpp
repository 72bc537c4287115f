#include "serial/linesettings.h"

#include <gtest/gtest.h>

using namespace marbolt;

TEST(LineSettings, FlowIsTheSetViewOfTheFlagsWord)
{
    struct Row {
        const char *name;
        std::int32_t flag;
        FlowSet flow;
        std::int32_t written;  // flowflag after writing flow back
    } rows[] = {
        {"default", 1, {Flow::dfBinary}, 1},
        {"send port 0x5C11", 23569,
         {Flow::dfBinary, Flow::dfDtrControl_b0, Flow::dfErrorChar, Flow::dfNull,
          Flow::dfRtsControl_b0, Flow::dfAbortOnError},
         23569},
        {"receive 0x5E11 adds dfInX", 24081,
         {Flow::dfBinary, Flow::dfDtrControl_b0, Flow::dfInX, Flow::dfErrorChar, Flow::dfNull,
          Flow::dfRtsControl_b0, Flow::dfAbortOnError},
         24081},
        {"bits 15-31 are not elements", static_cast<std::int32_t>(0xFFFF8001u), {Flow::dfBinary}, 1},
        {"all fifteen", 0x7FFF,
         {Flow::dfBinary, Flow::dfParity, Flow::dfOutxCtsFlow, Flow::dfOutxDsrFlow,
          Flow::dfDtrControl_b0, Flow::dfDtrControl_b1, Flow::dfDsrSensitivity,
          Flow::dfTXContinueOnXoff, Flow::dfOutX, Flow::dfInX, Flow::dfErrorChar, Flow::dfNull,
          Flow::dfRtsControl_b0, Flow::dfRtsControl_b1, Flow::dfAbortOnError},
         0x7FFF},
        {"empty", 0, {}, 0},
    };
    for (const Row &r : rows) {
        LineSettings s;
        s.flowflag = r.flag;
        EXPECT_EQ(s.flow(), r.flow) << r.name;
        s.setFlow(s.flow());
        EXPECT_EQ(s.flowflag, r.written) << r.name;
    }
    EXPECT_TRUE(FlowSet::fromFlag(kReceiveFlowFlag).contains(Flow::dfInX));
    EXPECT_FALSE(FlowSet::fromFlag(kSendFlowFlag).contains(Flow::dfInX));
}

TEST(LineSettings, StopBitTexts)
{
    EXPECT_EQ(stopBitsFromText(QStringLiteral("1")), StopBits::One);
    EXPECT_EQ(stopBitsFromText(QStringLiteral("1.5")), StopBits::OneAndHalf);
    EXPECT_EQ(stopBitsFromText(QStringLiteral("2")), StopBits::Two);
    for (const char *other : {"", "2 ", "１", "1,5", "two"})
        EXPECT_FALSE(stopBitsFromText(QString::fromUtf8(other)).has_value()) << other;
}

TEST(LineSettings, ParityTexts)
{
    struct Row {
        const char *text;
        std::optional<Parity> parity;
    } rows[] = {
        {"無し", Parity::None},   {"なし", Parity::None},   {"奇数", Parity::Odd},
        {"ODD", Parity::Odd},     {"ｏｄｄ", Parity::Odd},  {"偶数", Parity::Even},
        {"ぐうすう", Parity::Even}, {"even", Parity::Even}, {"ｅｖｅｎ", Parity::Even},
        {"ＥＶＥＮ", Parity::Even}, {"マーク", Parity::Mark}, {"ｍａｒｋ", Parity::Mark},
        {"スペース", Parity::Space}, {"SPACE", Parity::Space},
        {"NONE", std::nullopt},   {"none", std::nullopt},   {"Even", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row &r : rows)
        EXPECT_EQ(parityFromText(QString::fromUtf8(r.text)), r.parity) << r.text;
}

TEST(LineSettings, DefaultsAndThePortsOfTheMainWindow)
{
    const LineSettings d;
    EXPECT_EQ(d.charbit, 8);
    EXPECT_EQ(d.bps, 9600);
    EXPECT_EQ(d.portname, QStringLiteral("COM1"));
    EXPECT_EQ(d.txtimeout, 30000);
    EXPECT_EQ(d.XonChar, 0x11) << "XON is DC1: it resumes";
    EXPECT_EQ(d.XoffChar, 0x13) << "XOFF is DC3: it stops";
    EXPECT_EQ(d.flow(), FlowSet{Flow::dfBinary});

    const LineSettings send = LineSettings::sendPortDefaults();
    EXPECT_EQ(send.txtimeout, 10000);
    EXPECT_EQ(send.rxtimeout, 3000);
    EXPECT_EQ(send.flowflag, 23569);
    EXPECT_EQ(send.XonLim, 0);
    EXPECT_EQ(send.XonChar, 0x11);
    EXPECT_EQ(send.XoffChar, 0x13);

    const LineSettings receive = LineSettings::receivePortDefaults();
    EXPECT_EQ(receive.txtimeout, 30000);
    EXPECT_EQ(receive.flowflag, 1);
    EXPECT_EQ(receive.XonLim, 100);
    EXPECT_EQ(receive.XoffLim, 800);
}
