// Machine profiles in the settings store and the settings file.
#include "station/machineprofiles.h"
#include "station/ncmachine.h"
#include "station/profilevalues.h"
#include "station/settingsfile.h"

#include "document/sjistext.h"

#include <QStringDecoder>

#include <random>

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
    EXPECT_TRUE(text.endsWith(QStringLiteral("[MACHINES]\r\n"
                                             "MACHINE1.NAME=COM2\r\nMACHINE1.SPEED=4800\r\nMACHINE1.STOPBIT=2\r\n"
                                             "MACHINE1.PORT=COM2\r\nMACHINE1.SE=1\r\nMACHINE1.CODE=ISO\r\n"
                                             "MACHINE1.HEAD%=0\r\nMACHINE1.LOG=0\r\nMACHINE1.TAPE=0\r\n"
                                             "MACHINE1.FEED=100\r\nMACHINE1.WAIT=0\r\n"
                                             "MACHINE2.NAME=マシニング\r\nMACHINE2.SPEED=4800\r\nMACHINE2.STOPBIT=2\r\n"
                                             "MACHINE2.PORT=rfc2217://cnc-gw:2217\r\nMACHINE2.SE=1\r\nMACHINE2.CODE=ISO\r\n"
                                             "MACHINE2.HEAD%=0\r\nMACHINE2.LOG=0\r\nMACHINE2.TAPE=0\r\n"
                                             "MACHINE2.FEED=100\r\nMACHINE2.WAIT=0\r\n")))
        << text.toStdString();

    SettingsStore back;
    readSettingsBytes(bytes, back);
    MachineProfiles q(back);
    EXPECT_EQ(q.all(), p.all());
    EXPECT_EQ(q.active(), 1);
    EXPECT_TRUE(readMachines(back).problems.isEmpty());
}

TEST(MachineProfiles, EachMachineKeepsItsKindAndRapidRateThroughSwitchesAndTheFile)
{
    SettingsStore s = storeWith(QStringLiteral("COM1"), QStringLiteral("4800"));
    MachineProfiles p(s);
    p.keepActive();
    // Without the fields: a machining centre at 10,000 mm/min.
    EXPECT_EQ(activeNcMachine(s), NcMachine{});
    ASSERT_TRUE(p.add(QStringLiteral("旋盤")));
    MachineProfile lathe = p.all()[1];
    setNcMachine(lathe, {true, 24000});
    ASSERT_TRUE(p.setExtra(1, lathe.extra));
    EXPECT_EQ(activeNcMachine(s), (NcMachine{true, 24000}));
    // An edit of [COMM] kept into the profile leaves them; switching
    // away and back too.
    s.set(setting::SPEED, QStringLiteral("9600"));
    p.keepActive();
    ASSERT_TRUE(p.activate(0));
    EXPECT_EQ(activeNcMachine(s), NcMachine{});
    ASSERT_TRUE(p.activate(1));
    EXPECT_EQ(activeNcMachine(s), (NcMachine{true, 24000}));
    EXPECT_TRUE(readOptionsFor(activeNcMachine(s)).motion.lathe);
    EXPECT_EQ(readOptionsFor(activeNcMachine(s)).rapidRate, 24000);

    // In the file: the machine's own lines, after [RECENT]; [COMM] as it was.
    SettingsOverrides o{QStringLiteral("14"), QStringLiteral("IPAGothic"), QStringLiteral("1")};
    const QByteArray bytes = settingsFileBytes(s, o);
    const QString text = QStringDecoder("windows-31j").decode(bytes);
    EXPECT_TRUE(text.contains(QStringLiteral("MACHINE2.NCKIND=LATHE\r\nMACHINE2.RAPID=24000\r\n")));
    EXPECT_GT(text.indexOf(QStringLiteral("MACHINE2.NCKIND")), text.indexOf(QStringLiteral("[RECENT]")));
    EXPECT_FALSE(text.left(text.indexOf(QStringLiteral("[MACHINES]"))).contains(QStringLiteral("NCKIND")));
    SettingsStore back;
    readSettingsBytes(bytes, back);
    EXPECT_EQ(activeNcMachine(back), (NcMachine{true, 24000}));
}

TEST(MachineProfiles, AKindOrRapidRateThatCannotBeMeantReadsAsTheDefault)
{
    const auto read = [](const QString &kind, const QString &rapid) {
        MachineProfile profile;
        profile.extra = {{QStringLiteral("NCKIND"), kind}, {QStringLiteral("rapid"), rapid}};
        return ncMachineOf(profile);
    };
    EXPECT_EQ(read(QStringLiteral(" lathe "), QStringLiteral("15000")), (NcMachine{true, 15000}));
    EXPECT_EQ(read(QStringLiteral("MILL"), QStringLiteral("abc")), NcMachine{});
    EXPECT_EQ(read(QStringLiteral("旋盤"), QStringLiteral("0")), NcMachine{});  // an unknown kind is a mill
    EXPECT_EQ(read(QStringLiteral("LATHE"), QStringLiteral("99")).rapidRate, 10000);
    EXPECT_EQ(read(QStringLiteral("LATHE"), QStringLiteral("1e9")).rapidRate, 10000);
    EXPECT_EQ(read(QStringLiteral("LATHE"), QStringLiteral("200000")).rapidRate, 200000);
    // Written back under the names already there, not as second fields.
    MachineProfile profile;
    profile.extra = {{QStringLiteral("nckind"), QStringLiteral("LATHE")}};
    setNcMachine(profile, {false, 5000, 30});
    ASSERT_EQ(profile.extra.size(), 3);
    EXPECT_EQ(profile.extra[0], (std::pair{QStringLiteral("nckind"), QStringLiteral("MILL")}));
    EXPECT_EQ(profile.extra[1], (std::pair{QStringLiteral("RAPID"), QStringLiteral("5000")}));
    EXPECT_EQ(profile.extra[2], (std::pair{QStringLiteral("SAFEZ"), QStringLiteral("30")}));
    // The safe Z: read back, and a value no machine has reads as the default.
    EXPECT_EQ(ncMachineOf(profile).safeZ, 30);
    profile.extra[2].second = QStringLiteral("1e6");
    EXPECT_EQ(ncMachineOf(profile).safeZ, 50);
    profile.extra[2].second = QStringLiteral("-12.5");
    EXPECT_EQ(ncMachineOf(profile).safeZ, -12.5);
}

// The lines of earlier versions, whatever their length: nothing is
// dropped, what is missing gets its start-up value, and each such line is
// named for the window to show.
TEST(MachineProfiles, AMachineListedIsReadAsTheWindowReadsItsOwnSettings)
{
    SettingsStore s = storeWith(QStringLiteral("/dev/ttyS1"), QStringLiteral("4800"));
    s.set(setting::WAIT, QStringLiteral("3"));
    s.set(setting::CODE, QStringLiteral("EIA"));
    s.set(setting::HEAD, QStringLiteral("1"));
    MachineProfiles p(s);
    p.keepActive();
    const MachineProfile profile = p.all().first();
    QString storeProblem, profileProblem;
    const auto fromStore = readTransferValues(s, &storeProblem);
    const auto fromProfile = transferValues(profile, &profileProblem);
    ASSERT_TRUE(fromStore && fromProfile);
    for (const auto *v : {&*fromStore, &*fromProfile}) {
        EXPECT_EQ(v->port, QStringLiteral("/dev/ttyS1"));
        EXPECT_EQ(v->speed, 4800);
        EXPECT_EQ(v->wait, 3);
        EXPECT_EQ(v->code, PunchCode::Eia);
        EXPECT_TRUE(v->headPercent);
    }

    // A feed that is no number stops nothing while the tape framing is
    // off (it is not used), and is named when it is on, alike for both.
    s.set(setting::FEED, QStringLiteral("x"));
    MachineProfile badFeed = profile;
    badFeed.setValue(setting::FEED, QStringLiteral("x"));
    EXPECT_TRUE(readTransferValues(s));
    EXPECT_TRUE(transferValues(badFeed));
    s.set(setting::TAPE, QStringLiteral("1"));
    badFeed.setValue(setting::TAPE, QStringLiteral("1"));
    EXPECT_FALSE(readTransferValues(s, &storeProblem));
    EXPECT_FALSE(transferValues(badFeed, &profileProblem));
    EXPECT_EQ(storeProblem, profileProblem);
    EXPECT_TRUE(storeProblem.contains(QStringLiteral("FEED")));
}

TEST(MachineProfiles, OneLineMachinesOfEarlierVersionsAreAllKept)
{
    SettingsStore hand;
    readSettingsBytes("[COMM]\r\nPORT=COM1\r\n[MARBOLT]\r\nMACHINE=3\r\n[MACHINES]\r\n"
                      "MACHINE1=A\t9600\r\n"
                      "MACHINE2=B\t9600\t1\tCOM3\t1\tEIA\t0\t0\t0\t50\t0\r\n"
                      "MACHINE3=C\t2400\t2\tCOM4\t0\tISO\t1\t1\t1\t0\t20\t/srv/nc/in\tRECV\r\n"
                      "MACHINE5=\t1200\t1\tCOM5\t1\tISO\t0\t0\t0\t100\t0\r\n",
                      hand);
    const MachineList read = readMachines(hand);
    ASSERT_EQ(read.profiles.size(), 4) << "a gap in the numbers ends nothing";
    EXPECT_EQ(read.numbers, (QList<int>{1, 2, 3, 5}));
    const MachineProfile &a = read.profiles[0];
    EXPECT_EQ(a.name, QStringLiteral("A"));
    EXPECT_EQ(a.values[0], QStringLiteral("9600"));
    EXPECT_EQ(a.values[2], QStringLiteral("COM1")) << "the start-up PORT";
    EXPECT_EQ(a.values[8], QStringLiteral("100")) << "the start-up FEED";
    EXPECT_EQ(read.profiles[1].values[4], QStringLiteral("EIA"));
    EXPECT_EQ(read.profiles[2].extra, (QList<std::pair<QString, QString>>{{QStringLiteral("VALUE11"), QStringLiteral("/srv/nc/in")},
                                                                         {QStringLiteral("VALUE12"), QStringLiteral("RECV")}}));
    EXPECT_EQ(read.profiles[3].name, QStringLiteral("機械5"));
    ASSERT_EQ(read.problems.size(), 3) << read.problems.join(u'|').toStdString();
    EXPECT_TRUE(read.problems[0].startsWith(QStringLiteral("MACHINE1: ")));
    EXPECT_TRUE(read.problems[1].startsWith(QStringLiteral("MACHINE3: ")));
    EXPECT_TRUE(read.problems[2].startsWith(QStringLiteral("MACHINE5: ")));

    MachineProfiles r(hand);
    EXPECT_EQ(r.active(), 2) << "MACHINE names the machine by its number";
    r.keepActive();  // renumbers them 1 to 4 in the keyed form
    EXPECT_EQ(r.active(), 2);
    EXPECT_EQ(r.names(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("機械5")}));
    EXPECT_EQ(hand.get(QStringLiteral("MACHINE3.VALUE11")), QStringLiteral("/srv/nc/in"));
    EXPECT_TRUE(hand.get(QStringLiteral("MACHINE5")).isEmpty());
    EXPECT_TRUE(readMachines(hand).problems.isEmpty());

    // A number that names no machine reads as the first.
    hand.set(setting::MACHINE, QStringLiteral("7"));
    EXPECT_EQ(r.active(), 0);
}

// Property: machines written, a field of a later version added by hand
// (or by that version) to some of them, then read, kept, switched and
// written again: every value and every added field comes back.
TEST(MachineProfiles, AddedFieldsSurviveEveryRoundTrip)
{
    std::mt19937 random(20261209);
    const QStringList nameParts{QStringLiteral("旋盤"), QStringLiteral("MC"), QStringLiteral("ﾏｼﾆﾝｸﾞ"), QStringLiteral("-"),
                                QStringLiteral("２号機"), QStringLiteral("Okuma"), QStringLiteral("=x")};
    const QStringList valueParts{QStringLiteral("4800"), QStringLiteral("COM1"), QStringLiteral("tcp://10.0.0.5:4001"),
                                 QStringLiteral("0"), QStringLiteral("1"), QString(), QStringLiteral("a=b"),
                                 QStringLiteral("/srv/NC 受信")};
    auto pick = [&](const QStringList &from) { return from[static_cast<qsizetype>(random() % from.size())]; };
    for (int round = 0; round < 200; ++round) {
        SettingsStore s = storeWith(QStringLiteral("COM1"), QStringLiteral("4800"));
        MachineProfiles p(s);
        p.keepActive();
        const int machines = 1 + static_cast<int>(random() % 6);
        for (int m = 1; m < machines; ++m) {
            for (const SettingKey *key : kProfileKeys)
                if (key != &setting::PORT || random() % 2)
                    s.set(*key, pick(valueParts));
            ASSERT_TRUE(p.add(pick(nameParts) + QString::number(m)));
        }
        const QList<MachineProfile> written = p.all();
        SettingsOverrides o{QStringLiteral("14"), QStringLiteral("IPAGothic"), QStringLiteral("1")};
        QByteArray bytes = settingsFileBytes(s, o);

        // Fields of a later version, somewhere among each chosen machine's lines.
        QList<std::pair<int, std::pair<QString, QString>>> added;
        QList<QByteArray> lines = bytes.split('\n');
        for (int m = 0; m < machines; ++m) {
            if (random() % 2)
                continue;
            const QString field = QStringLiteral("DNC%1").arg(random() % 100);
            const QString value = pick(valueParts);
            const QByteArray prefix = machineKey(m).toLatin1() + '.';
            qsizetype at = -1;
            for (qsizetype i = 0; i < lines.size(); ++i)
                if (lines[i].startsWith(prefix) && (at < 0 || random() % 3 == 0))
                    at = i + 1;
            ASSERT_GE(at, 0);
            QByteArray line = prefix + field.toLatin1() + '=';
            std::string sjis;
            ASSERT_FALSE(SjisEncoder().encode(toEditorText(value), sjis));
            line += QByteArray(sjis.data(), static_cast<qsizetype>(sjis.size())) + '\r';
            lines.insert(at, line);
            added.append({m, {field, value}});
        }
        bytes = lines.join('\n');

        SettingsStore back;
        readSettingsBytes(bytes, back);
        MachineProfiles q(back);
        q.keepActive();
        // Switching to each machine and back keeps them too.
        for (int m = 0; m < machines; ++m)
            ASSERT_TRUE(q.activate(m));
        ASSERT_TRUE(q.activate(machines - 1));
        SettingsStore again;
        readSettingsBytes(settingsFileBytes(back, o), again);
        const QList<MachineProfile> read = MachineProfiles(again).all();
        ASSERT_EQ(read.size(), written.size()) << "round " << round;
        EXPECT_TRUE(readMachines(again).problems.isEmpty());
        for (int m = 0; m < machines; ++m) {
            EXPECT_EQ(read[m].name, written[m].name);
            EXPECT_EQ(read[m].values, written[m].values) << "round " << round << " machine " << m;
            QList<std::pair<QString, QString>> expected;
            for (const auto &[machine, field] : added)
                if (machine == m)
                    expected << field;
            EXPECT_EQ(read[m].extra, expected) << "round " << round << " machine " << m;
        }
    }
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
