// The ports the settings dialog offers.
#include "serial/portlist.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace marbolt;

TEST(PortList, ComPortsThenTheDevicesPresentInNumericOrder)
{
    QTemporaryDir dev;
    for (const char *name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "tty1", "null"}) {
        QFile f(dev.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dev.path()).mkpath(QStringLiteral("serial/by-id")));
    ASSERT_TRUE(QFile::link(dev.filePath(QStringLiteral("ttyUSB2")),
                            dev.filePath(QStringLiteral("serial/by-id/usb-FTDI_FT232R_A1-if00-port0"))));

    QStringList expected;
    for (int i = 1; i <= 8; ++i)
        expected << QStringLiteral("COM%1").arg(i);
    expected << dev.filePath(QStringLiteral("ttyUSB2")) << dev.filePath(QStringLiteral("ttyUSB10"))
             << dev.filePath(QStringLiteral("ttyACM0"))
             << dev.filePath(QStringLiteral("serial/by-id/usb-FTDI_FT232R_A1-if00-port0"));
    // ttyUSB* and ttyACM* are listed as two groups, each in numeric order.
    QStringList got = serialPortChoices(dev.path());
    EXPECT_EQ(got.mid(0, 8), expected.mid(0, 8));
    EXPECT_EQ(got.size(), 12);
    EXPECT_TRUE(got.indexOf(expected[8]) < got.indexOf(expected[9])) << "ttyUSB2 before ttyUSB10";
    EXPECT_TRUE(got.contains(expected[10]));
    EXPECT_EQ(got.last(), expected[11]);
    EXPECT_FALSE(got.contains(dev.filePath(QStringLiteral("ttyS0")))) << "ttyS0 is COM1";
}

TEST(PortList, AMachineWithoutAdaptersOffersTheComPorts)
{
    QTemporaryDir dev;
    const QStringList got = serialPortChoices(dev.path());
    ASSERT_EQ(got.size(), 8);
    EXPECT_EQ(got.first(), QStringLiteral("COM1"));
    EXPECT_EQ(got.last(), QStringLiteral("COM8"));
}
