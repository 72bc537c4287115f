// Machine profiles in the settings store and the settings file.
#include "app/machineprofiles.h"
#include "app/settingsfile.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

namespace marbolt {
namespace {

SettingsStore storeWith(const QString &port, const QString &speed)
{
    SettingsStore s;
    s.storeDefaults(QStringLiteral("/opt/marbolt/"));
    s.set(setting::PORT, port);
    s.set(setting::SPEED, speed);
    return s;
}

TEST(MachineProfiles, AFileWithoutMachinesStartsOneNamedAfterItsPort)
{
    SettingsStore s = storeWith(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("9600"));
    MachineProfiles p(s);
    EXPECT_EQ(p.count(), 0);
    p.keepActive();
    ASSERT_EQ(p.names(), QStringList{QStringLiteral("/dev/ttyUSB0")});
    EXPECT_EQ(p.active(), 0);
    EXPECT_EQ(s.get(setting::MACHINE), QStringLiteral("1"));
    const MachineProfile only = p.all().first();
    for (std::size_t k = 0; k < kProfileKeys.size(); ++k)
        EXPECT_EQ(only.values[k], s.get(*kProfileKeys[k])) << kProfileKeys[k]->name;
    // Keeping what is there changes no line.
    const QStringList before = s.lines();
    p.keepActive();
    EXPECT_EQ(s.lines(), before);
}

TEST(MachineProfiles, SwitchingCarriesEachMachinesOwnValues)
{
    SettingsStore s = storeWith(QStringLiteral("COM1"), QStringLiteral("4800"));
    MachineProfiles p(s);
    p.keepActive();
    s.set(setting::PORT, QStringLiteral("tcp://10.0.0.7:4001"));
    s.set(setting::SPEED, QStringLiteral("9600"));
    s.set(setting::CODE, QStringLiteral("EIA"));
    ASSERT_TRUE(p.add(QStringLiteral("旋盤 2号機")));
    EXPECT_EQ(p.active(), 1);
    // The first machine kept its values; the dialog's went to the new one.
    ASSERT_TRUE(p.activate(0));
    EXPECT_EQ(s.get(setting::PORT), QStringLiteral("COM1"));
    EXPECT_EQ(s.get(setting::SPEED), QStringLiteral("4800"));
    EXPECT_EQ(s.get(setting::CODE), QStringLiteral("ISO"));
    // An edit of the active machine is kept when switching away and back.
    s.set(setting::STOPBIT, QStringLiteral("1"));
    ASSERT_TRUE(p.activate(1));
    EXPECT_EQ(s.get(setting::PORT), QStringLiteral("tcp://10.0.0.7:4001"));
    EXPECT_EQ(s.get(setting::CODE), QStringLiteral("EIA"));
    EXPECT_EQ(s.get(setting::STOPBIT), QStringLiteral("2"));
    ASSERT_TRUE(p.activate(0));
    EXPECT_EQ(s.get(setting::STOPBIT), QStringLiteral("1"));
    EXPECT_FALSE(p.activate(2));
    EXPECT_FALSE(p.activate(-1));
    EXPECT_EQ(p.active(), 0);
}

TEST(MachineProfiles, NamesRenameAndDelete)
{
    SettingsStore s = storeWith(QStringLiteral("COM1"), QStringLiteral("4800"));
    MachineProfiles p(s);
    p.keepActive();
    EXPECT_FALSE(p.nameProblem(QStringLiteral("  ")).isEmpty());
    EXPECT_FALSE(p.nameProblem(QStringLiteral("com1")).isEmpty()) << "names differ by more than case";
    EXPECT_FALSE(p.nameProblem(QStringLiteral("A\tB")).isEmpty());
    EXPECT_FALSE(p.nameProblem(QStringLiteral("機械\u00E9")).isEmpty()) << "é has no Shift-JIS code";
    EXPECT_TRUE(p.nameProblem(QStringLiteral("ＭＣ－３")).isEmpty());
    EXPECT_FALSE(p.add(QStringLiteral("COM1")));
    ASSERT_TRUE(p.add(QStringLiteral(" Fanuc ")));
    ASSERT_TRUE(p.add(QStringLiteral("Mazak")));
    EXPECT_EQ(p.names(), (QStringList{QStringLiteral("COM1"), QStringLiteral("Fanuc"), QStringLiteral("Mazak")}));
    EXPECT_TRUE(p.rename(1, QStringLiteral("fanuc")));  // its own name in another case
    EXPECT_FALSE(p.rename(1, QStringLiteral("Mazak")));

    s.set(setting::SPEED, QStringLiteral("19200"));
    p.keepActive();  // Mazak at 19200
    ASSERT_TRUE(p.activate(0));
    ASSERT_TRUE(p.remove(1));  // before the active one: it stays active
    EXPECT_EQ(p.activeName(), QStringLiteral("COM1"));
    ASSERT_TRUE(p.remove(0));  // the active one: the first becomes active, its values in place
    EXPECT_EQ(p.names(), QStringList{QStringLiteral("Mazak")});
    EXPECT_EQ(s.get(setting::SPEED), QStringLiteral("19200"));
    EXPECT_FALSE(p.remove(0)) << "the last machine stays";
    EXPECT_TRUE(s.get(machineKey(1)).isEmpty());
    EXPECT_TRUE(s.get(machineKey(2)).isEmpty());
}

TEST(MachineProfiles, TheSettingsFileKeepsCommAndCarriesTheMachines)
{
    SettingsStore s = storeWith(QStringLiteral("COM2"), QStringLiteral("4800"));
    MachineProfiles p(s);
    p.keepActive();
    s.set(setting::PORT, QStringLiteral("rfc2217://cnc-gw:2217"));
    ASSERT_TRUE(p.add(QStringLiteral("マシニング")));
    SettingsOverrides o{QStringLiteral("14"), QStringLiteral("IPAGothic"), QStringLiteral("1")};
    const QByteArray bytes = settingsFileBytes(s, o);
    const QString text = QStringDecoder("windows-31j").decode(bytes);
    // [COMM] holds the active machine's values, in its own layout.
    EXPECT_TRUE(text.startsWith(QStringLiteral("[COMM]\r\nSPEED=4800\r\nSTOPBIT=2\r\nPORT=rfc2217://cnc-gw:2217\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("MACHINE=2\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("[MACHINES]\r\nMACHINE1=COM2\t4800\t2\tCOM2\t1\tISO\t0\t0\t0\t100\t0\r\n"
                                             "MACHINE2=マシニング\t4800\t2\trfc2217://cnc-gw:2217\t1\tISO\t0\t0\t0\t100\t0\r\n")))
        << text.toStdString();

    SettingsStore back;
    readSettingsBytes(bytes, back);
    MachineProfiles q(back);
    EXPECT_EQ(q.all(), p.all());
    EXPECT_EQ(q.active(), 1);

    // A line cut short by hand is left out, the others stay.
    SettingsStore hand;
    readSettingsBytes("[COMM]\r\nPORT=COM1\r\n[MARBOLT]\r\nMACHINE=7\r\n[MACHINES]\r\nMACHINE1=A\t9600\r\n"
                      "MACHINE2=B\t9600\t1\tCOM3\t1\tEIA\t0\t0\t0\t50\t0\r\n",
                      hand);
    MachineProfiles r(hand);
    EXPECT_EQ(r.names(), QStringList{QStringLiteral("B")});
    EXPECT_EQ(r.active(), 0) << "an active number out of range reads as the first";
}

TEST(MachineProfiles, RememberedNetworkPortsAreMostRecentFirstWithoutRepeats)
{
    SettingsStore s;
    for (int i = 0; i < 10; ++i)
        rememberNetworkPort(s, QStringLiteral("tcp://10.0.0.%1:4001").arg(i));
    rememberNetworkPort(s, QStringLiteral("tcp://10.0.0.5:4001"));
    const QStringList ports = rememberedNetworkPorts(s);
    ASSERT_EQ(ports.size(), kRememberedNetworkPorts);
    EXPECT_EQ(ports[0], QStringLiteral("tcp://10.0.0.5:4001"));
    EXPECT_EQ(ports[1], QStringLiteral("tcp://10.0.0.9:4001"));
    EXPECT_EQ(ports.count(QStringLiteral("tcp://10.0.0.5:4001")), 1);
}

}  // namespace
}  // namespace marbolt
