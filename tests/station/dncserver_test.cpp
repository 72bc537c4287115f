// The DNC server without a window, against virtual machine tools on
// pseudo-terminals: programs punched out land in the receive folder
// without a key pressed, requests are answered at the control's DC1 after
// their delay, and a line that fails costs only its own machine.
#include "serial/punchcodes.h"
#include "history/historydatabase.h"
#include "station/dnclog.h"
#include "station/dncserver.h"
#include "station/dncstatusfile.h"
#include "station/station.h"
#include "virtualmachine.h"
#include "../punchbytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

using namespace marbolt;
using marbolt::testing::bytesOf;
using marbolt::testing::iso;
using namespace std::chrono_literals;

namespace {

// The transfers' timers run `divisor` times faster: a request delay of
// 1 s is 100 ms here, ten minutes of waiting for a DC1 take 600 ms at 1000.
class FastClock : public Clock {
public:
    int divisor = 10;
    int timerLength(int ms) override { return ms / divisor; }
};

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(5);
    }
    return true;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The event loop runs (the server lives on this thread) until what the
// machine received holds needle, in ISO.
bool arrived(const vm::VirtualMachine &machine, const std::string &needle, int timeoutMs)
{
    return waitUntil([&] { return bytesOf(machine.received()).find(iso(needle)) != std::string::npos; }, timeoutMs);
}

// The operator switches the control to read: it asks with DC1 and reads
// in ISO; what it received before (the DC1s the server's receptions began
// with) is forgotten.
void switchToRead(vm::VirtualMachine &machine)
{
    vm::ReceiveMode read;
    read.code = PunchCode::Iso;
    machine.clearReceived();
    machine.receive(read);
}

// A punched tape as a control sends it on its own (no DC1 awaited).
void punch(vm::VirtualMachine &machine, const std::string &text, double bytesPerSecond = 0)
{
    vm::PunchMode mode;
    mode.waitForDc1 = false;
    mode.bytesPerSecond = bytesPerSecond;
    machine.punch(vm::punchTape(text, PunchCode::Iso), mode);
}

struct DncRig {
    QTemporaryDir dir;
    FastClock clock;
    std::vector<std::unique_ptr<vm::VirtualMachine>> machines;
    std::vector<QString> extra;  // each machine's profile fields beyond its line
    std::unique_ptr<Station> station;
    std::unique_ptr<DncLog> log;
    std::unique_ptr<DncServer> server;

    // A machine "MCn" with its receive folder "in-n", its send folder
    // "out-n" and O9999 as its request.
    vm::VirtualMachine &add(const QString &fields = {})
    {
        machines.push_back(vm::VirtualMachine::create());
        const int n = static_cast<int>(machines.size());
        extra.push_back(QStringLiteral("RECEIVEDIR=%1\r\nSENDDIRS=%2\r\nREQUESTS=9999\r\nREQUESTDELAY=1\r\n")
                            .arg(folder(QStringLiteral("in"), n), folder(QStringLiteral("out"), n))
                        + fields);
        return *machines.back();
    }
    QString folder(const QString &kind, int n) const { return dir.filePath(QStringLiteral("%1-%2").arg(kind).arg(n)); }
    QString port(std::size_t i) const { return QString::fromStdString(machines[i]->portPath()); }

    QStringList start(const QString &portOverride = {})
    {
        const QString line = QStringLiteral("SPEED=115200\r\nSTOPBIT=1\r\nCODE=ISO\r\nSE=0\r\nHEAD%=0\r\nTAPE=0\r\n"
                                            "FEED=0\r\nWAIT=0\r\nLOG=0\r\n");
        QString text = QStringLiteral("[COMM]\r\nPORT=%1\r\n").arg(portOverride.isEmpty() ? port(0) : portOverride) + line
                     + QStringLiteral("[MARBOLT]\r\nMACHINE=MC1\r\n[MACHINES]\r\n");
        for (std::size_t i = 0; i < machines.size(); ++i) {
            QString fields = QStringLiteral("NAME=MC%1\r\nPORT=%2\r\n").arg(i + 1).arg(i == 0 && !portOverride.isEmpty() ? portOverride : port(i)) + line + extra[i];
            for (const QString &f : fields.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
                text += QStringLiteral("MACHINE%1.%2\r\n").arg(i + 1).arg(f);
        }
        const QString settings = dir.filePath(QStringLiteral("marbolt.ini"));
        writeFile(settings, text.toUtf8());
        station = std::make_unique<Station>(StationPlace{settings, dir.path() + u'/', QStringLiteral("marbolt-dnc")}, clock);
        station->load();
        log = std::make_unique<DncLog>(dir.filePath(QStringLiteral("log")), nullptr, clock);
        server = std::make_unique<DncServer>(*station, *log, clock);
        return server->start();
    }

    DncMachineServer &served(std::size_t i) { return *server->machines()[i]; }
    // The answer's port is open and waits for the control's DC1: an
    // operator who switches the control to read now is heard. (Before, the
    // line is between its reception and its send for a few milliseconds.)
    bool awaitingDc1(std::size_t i) { return served(i).status().state == QStringLiteral("応答待ち (DC1)"); }
    bool listening(std::size_t i)
    {
        return served(i).phase() == DncPhase::Listening && station->session(static_cast<int>(i))->portOpen();
    }
    QString logOf(int n) const
    {
        return QString::fromUtf8(fileBytes(dir.filePath(QStringLiteral("log/MC%1.log").arg(n))));
    }

    void stop()
    {
        if (!server)
            return;
        bool done = false;
        QObject::connect(server.get(), &DncServer::finished, [&] { done = true; });
        server->stop();
        QVERIFY(waitUntil([&] { return done; }, 30000));
    }
};

}  // namespace

class DncServerTest : public QObject {
    Q_OBJECT

private slots:
    // Two programs in one tape, then one of them again: each has its file
    // by its number, and the older version is kept as a numbered backup.
    void receivesWithoutAKeyAndKeepsTheOldVersion()
    {
        DncRig rig;
        vm::VirtualMachine &machine = rig.add();
        QVERIFY(rig.start().isEmpty());
        QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));

        punch(machine, "O0012 (FIRST)\nG00 X1.\nM30\nO0013\nG00 Y2.\nM30\n");
        const QString o12 = QDir(rig.folder(QStringLiteral("in"), 1)).filePath(QStringLiteral("O0012.nc"));
        const QString o13 = QDir(rig.folder(QStringLiteral("in"), 1)).filePath(QStringLiteral("O0013.nc"));
        QVERIFY(waitUntil([&] { return QFile::exists(o13); }, 20000));
        QCOMPARE(fileBytes(o12), QByteArray("O0012 (FIRST)\r\nG00 X1.\r\nM30\r\n"));
        QCOMPARE(fileBytes(o13), QByteArray("O0013\r\nG00 Y2.\r\nM30\r\n%\r\n"));

        // The server listens again by itself.
        QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));
        QVERIFY(machine.waitForPunchFinished(10000ms));
        punch(machine, "O0012 (SECOND)\nG00 X3.\nM30\n");
        QVERIFY(waitUntil([&] { return QFile::exists(o12 + QStringLiteral(".~1~")); }, 20000));
        QVERIFY(waitUntil([&] { return fileBytes(o12).contains("SECOND"); }, 2000));
        QCOMPARE(fileBytes(o12 + QStringLiteral(".~1~")), QByteArray("O0012 (FIRST)\r\nG00 X1.\r\nM30\r\n"));

        const QString log = rig.logOf(1);
        QVERIFY2(log.contains(QStringLiteral("\t受信\tO0012\t")) && log.contains(QStringLiteral("\t受信\tO0013\t")),
                 qPrintable(log));
        QVERIFY2(log.contains(QStringLiteral("O0012.nc.~1~")), qPrintable(log));
        rig.stop();
    }

    // The control punches O9999 (REQ O1234); after the delay the server
    // sends O1234 once the control, switched to read, gives its DC1.
    void answersARequestAtTheControlsDc1AfterTheDelay()
    {
        DncRig rig;
        vm::VirtualMachine &machine = rig.add();
        writeFile(QDir(rig.folder(QStringLiteral("out"), 1)).filePath(QStringLiteral("O1234.nc")),
                  "%\r\nO1234 (WANTED)\r\nG00 X10.\r\nM30\r\n%\r\n");
        QVERIFY(rig.start().isEmpty());
        QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));

        punch(machine, "O9999\n(REQ O1234)\nM30\n");
        QVERIFY(machine.waitForPunchFinished(10000ms));
        // The operator switches the control to read while the delay runs:
        // its one DC1 comes before the server would send.
        QVERIFY(waitUntil([&] { return rig.awaitingDc1(0); }, 20000));
        const auto answering = std::chrono::steady_clock::now();
        switchToRead(machine);
        QVERIFY2(arrived(machine, "M30\r\n%\r\n", 60000), qPrintable(rig.logOf(1)));
        // The file as it stands, its own "%" lines too: the send adds none.
        QCOMPARE(bytesOf(machine.received()), iso("%\r\nO1234 (WANTED)\r\nG00 X10.\r\nM30\r\n%\r\n"));
        QVERIFY(machine.rejected().empty());
        // Not at the DC1 but after the delay (1 s, run at a tenth here),
        // most of which was still to run when the control gave it.
        QVERIFY(machine.arrivals().front().at - answering >= 50ms);
        // Nothing of the request was kept as a program.
        QVERIFY(!QFile::exists(QDir(rig.folder(QStringLiteral("in"), 1)).filePath(QStringLiteral("O9999.nc"))));
        QVERIFY(waitUntil([&] { return rig.logOf(1).contains(QStringLiteral("\t送信\tO1234\t")); }, 30000));
        QVERIFY(rig.logOf(1).contains(QStringLiteral("\t要求\tO1234\t0\t完了\tO1234.nc")));
        QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));
        rig.stop();

        // The history has both: the request as it came, the answer as it went.
        QVERIFY(rig.station->history()->flush(10000));
        HistoryDatabase db;
        QVERIFY2(db.open(rig.station->history()->connection()), qPrintable(db.error()));
        const auto entries = db.find(HistoryFilter{});
        QVERIFY(entries);
        QCOMPARE(entries->size(), 2u);
        QCOMPARE(entries->at(0).direction, RecordDirection::Send);
        QCOMPARE(entries->at(0).program, 1234L);
        QCOMPARE(entries->at(0).comment, QStringLiteral("WANTED"));
        QCOMPARE(entries->at(0).outcome, RecordOutcome::Completed);
        QCOMPARE(entries->at(0).via, QStringLiteral("marbolt-dnc"));
        QCOMPARE(db.content(entries->at(0).content), std::optional<std::string>("O1234 (WANTED)\r\nG00 X10.\r\nM30\r\n"));
        QCOMPARE(entries->at(1).direction, RecordDirection::Receive);
        QCOMPARE(entries->at(1).program, 9999L);
        QCOMPARE(entries->at(1).machine, entries->at(0).machine);
    }

    // A missing program, and a block that is not there: the control gets a
    // short program saying so, and the log says why.
    void answersWhatIsNotThereWithAProgramSayingSo()
    {
        DncRig rig;
        vm::VirtualMachine &machine = rig.add();
        writeFile(QDir(rig.folder(QStringLiteral("out"), 1)).filePath(QStringLiteral("O1234.nc")),
                  "O1234\r\nN10 G00 X10.\r\nM30\r\n");
        QVERIFY(rig.start().isEmpty());
        const struct {
            const char *request;
            const char *answer;
            const char *logged;
        } cases[] = {
            {"(REQ O5555)", "\nO9999\r\n(O5555 NOT FOUND)\r\nM30\r\n%\r\n", "O5555 は送信フォルダ"},
            {"(req 1234 n20)", "\nO9999\r\n(O1234 N20 NOT FOUND)\r\nM30\r\n%\r\n", "O1234 に N20 のブロックがありません"},
        };
        for (const auto &c : cases) {
            QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));
            punch(machine, std::string("O9999\n") + c.request + "\nM30\n");
            QVERIFY(machine.waitForPunchFinished(10000ms));
            QVERIFY(waitUntil([&] { return rig.awaitingDc1(0); }, 20000));
            switchToRead(machine);
            QVERIFY(arrived(machine, "%\r\n", 20000));
            QCOMPARE(bytesOf(machine.received()), iso(c.answer));
            QVERIFY2(waitUntil([&] { return rig.logOf(1).contains(QString::fromUtf8(c.logged)); }, 10000), qPrintable(rig.logOf(1)));
            QVERIFY(waitUntil([&] { return rig.logOf(1).contains(QStringLiteral("\t送信\tO9999\t")); }, 30000));
        }
        QVERIFY(rig.logOf(1).contains(QStringLiteral("\t要求\tO5555\t0\t拒否\t")));
        rig.stop();
    }

    // (REQ 1234 N20): the header that restores the state, then the program
    // from N20 on.
    void answersARestartFromTheRequestedBlock()
    {
        DncRig rig;
        vm::VirtualMachine &machine = rig.add();
        writeFile(QDir(rig.folder(QStringLiteral("out"), 1)).filePath(QStringLiteral("O1234.nc")),
                  "O1234\r\nG21 G17 G90 G54\r\nT1 M06\r\nS1000 M03\r\nG43 H1 Z50.\r\nN10 G01 X10. Y0 F200.\r\nN20 X20.\r\nN30 X30.\r\nM30\r\n");
        QVERIFY(rig.start().isEmpty());
        QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));
        punch(machine, "O9999\n(REQ O1234 N20)\nM30\n");
        QVERIFY(waitUntil([&] { return rig.awaitingDc1(0); }, 20000));
        switchToRead(machine);
        QVERIFY(arrived(machine, "M30\r\n%\r\n", 60000));
        const std::string got = bytesOf(machine.received());
        QVERIFY(got.rfind(iso("\nO1234\r\n"), 0) == 0);
        QVERIFY(got.find(iso("T1 M06")) != std::string::npos);
        QVERIFY(got.find(iso("N20 X20.\r\nN30 X30.\r\nM30\r\n%")) != std::string::npos);
        QVERIFY(got.find(iso("N10")) == std::string::npos);
        QVERIFY(waitUntil([&] { return rig.logOf(1).contains(QStringLiteral("\t送信\tO1234 N20\t")); }, 30000));
        rig.stop();
    }

    // Two machines ask at the same moment; each gets its own program.
    void answersTwoRequestsAtOnce()
    {
        DncRig rig;
        vm::VirtualMachine &a = rig.add();
        vm::VirtualMachine &b = rig.add();
        std::string programs[2];
        for (int n = 1; n <= 2; ++n) {
            std::string text = "O" + std::to_string(100 + n) + "\r\n";
            for (int i = 0; i < 400; ++i)
                text += "N" + std::to_string(i) + " G01 X" + std::to_string(n) + "." + std::to_string(i) + "\r\n";
            programs[n - 1] = text + "M30\r\n";
            writeFile(QDir(rig.folder(QStringLiteral("out"), n)).filePath(QStringLiteral("O%1.nc").arg(100 + n, 4, 10, QLatin1Char('0'))),
                      QByteArray::fromStdString(programs[n - 1]));
        }
        QVERIFY(rig.start().isEmpty());
        QVERIFY(waitUntil([&] { return rig.listening(0) && rig.listening(1); }, 20000));
        punch(a, "O9999\n(REQ O101)\nM30\n");
        punch(b, "O9999\n(REQ O102)\nM30\n");
        QVERIFY(waitUntil([&] { return rig.awaitingDc1(0) && rig.awaitingDc1(1); }, 20000));
        vm::ReceiveMode read;
        read.code = PunchCode::Iso;
        read.stopLevel = 200;  // each control holds its sender with DC3 as it goes
        read.resumeLevel = 50;
        read.drainPerSecond = 3000;
        a.clearReceived();
        b.clearReceived();
        a.receive(read);
        b.receive(read);
        for (int n = 0; n < 2; ++n) {
            vm::VirtualMachine &m = n == 0 ? a : b;
            QVERIFY(arrived(m, "M30\r\n%\r\n", 30000));
            // Each file without a "%" of its own gets one: the control ends its read there.
            QCOMPARE(bytesOf(m.received()), iso("\n" + programs[n] + "%\r\n"));
            QVERIFY(!m.bytesAfterDc3().empty());
            QVERIFY(m.rejected().empty());
        }
        rig.stop();
    }

    // The control never switches to read: the answer is given up after
    // its wait, logged, and the machine is listened to again.
    void givesUpAnAnswerTheControlNeverTakes()
    {
        DncRig rig;
        rig.clock.divisor = 1000;
        vm::VirtualMachine &machine = rig.add();
        writeFile(QDir(rig.folder(QStringLiteral("out"), 1)).filePath(QStringLiteral("O1234.nc")), "O1234\r\nM30\r\n");
        QVERIFY(rig.start().isEmpty());
        QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));
        punch(machine, "O9999\n(REQ O1234)\nM30\n");
        QVERIFY(waitUntil([&] { return rig.served(0).phase() == DncPhase::Answering; }, 20000));
        QVERIFY(waitUntil([&] { return rig.logOf(1).contains(QStringLiteral("DC1 が 10 分来なかった")); }, 30000));
        QVERIFY(rig.logOf(1).contains(QStringLiteral("\t送信\tO1234\t0\t中断\t")));
        QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));
        QVERIFY(bytesOf(machine.received()).find(iso("O1234")) == std::string::npos);
        rig.stop();
    }

    // The machine hangs up in the middle of its tape: what came is kept
    // as a failed file, the good program keeps its name, and the port is
    // tried again, less often each time, while the other machine goes on.
    void aBrokenReceptionNeverReplacesAGoodProgram()
    {
        DncRig rig;
        vm::VirtualMachine &broken = rig.add();
        vm::VirtualMachine &other = rig.add();
        const QString o12 = QDir(rig.folder(QStringLiteral("in"), 1)).filePath(QStringLiteral("O0012.nc"));
        writeFile(o12, "O0012 (GOOD)\r\nM30\r\n");
        QVERIFY(rig.start().isEmpty());
        QVERIFY(waitUntil([&] { return rig.listening(0) && rig.listening(1); }, 20000));
        std::string longTape = "O0012 (BROKEN)\n";
        for (int i = 0; i < 300; ++i)
            longTape += "G01 X" + std::to_string(i) + ".\n";
        punch(broken, longTape + "M30\n", 2000);
        QVERIFY(waitUntil([&] { return rig.station->session(0)->status().done > 200; }, 20000));
        broken.hangUp();
        QVERIFY(waitUntil([&] { return rig.served(0).failures() >= 2; }, 30000));
        QCOMPARE(fileBytes(o12), QByteArray("O0012 (GOOD)\r\nM30\r\n"));
        const QStringList failed = QDir(rig.folder(QStringLiteral("in"), 1)).entryList({QStringLiteral("failed-*.nc")});
        QCOMPARE(failed.size(), 1);
        QVERIFY(fileBytes(QDir(rig.folder(QStringLiteral("in"), 1)).filePath(failed.front())).startsWith("O0012 (BROKEN)\r\n"));
        QVERIFY(rig.logOf(1).contains(QStringLiteral("\t受信\tO0012\t")));
        QVERIFY(rig.logOf(1).contains(QStringLiteral("失敗\t回線が切れました")));
        QVERIFY(rig.logOf(1).contains(QStringLiteral("2 秒後にもう一度試します")));

        // The other machine is served meanwhile.
        punch(other, "O0077\nM30\n");
        QVERIFY(waitUntil([&] { return QFile::exists(QDir(rig.folder(QStringLiteral("in"), 2)).filePath(QStringLiteral("O0077.nc"))); }, 20000));
        rig.stop();
    }

    // Stopped in the middle of a reception (SIGTERM does this): the part
    // that came is a failed file, no program's file is touched.
    void stoppingKeepsAReceptionUnderWayAsAFailedFile()
    {
        DncRig rig;
        vm::VirtualMachine &machine = rig.add();
        const QString o12 = QDir(rig.folder(QStringLiteral("in"), 1)).filePath(QStringLiteral("O0012.nc"));
        writeFile(o12, "O0012 (GOOD)\r\nM30\r\n");
        QVERIFY(rig.start().isEmpty());
        QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));
        std::string tape = "O0012 (NEW)\n";
        for (int i = 0; i < 300; ++i)
            tape += "G01 X" + std::to_string(i) + ".\n";
        punch(machine, tape + "M30\n", 2000);
        QVERIFY(waitUntil([&] { return rig.station->session(0)->status().done > 100; }, 20000));
        rig.stop();
        QCOMPARE(fileBytes(o12), QByteArray("O0012 (GOOD)\r\nM30\r\n"));
        const QStringList failed = QDir(rig.folder(QStringLiteral("in"), 1)).entryList({QStringLiteral("failed-*.nc")});
        QCOMPARE(failed.size(), 1);
        QVERIFY(rig.logOf(1).contains(QStringLiteral("受信が止められました")));
        QVERIFY(rig.server->machines().empty());
    }

    // A long program held by the control's DC3 for longer than any other
    // wait of a transfer: it goes on at DC1, every byte as it should be,
    // and the state tells the block on the line and an end time.
    void dripFeedIsHeldByDc3WithoutATimeLimit()
    {
        DncRig rig;
        rig.clock.divisor = 1;
        vm::VirtualMachine &machine = rig.add();
        std::string text = "O2000\r\n";
        for (int i = 1; i <= 1000; ++i)
            text += "N" + std::to_string(i) + " G01 X" + std::to_string(i % 97) + ". F300.\r\n";
        text += "M30\r\n";
        writeFile(QDir(rig.folder(QStringLiteral("out"), 1)).filePath(QStringLiteral("O2000.nc")), QByteArray::fromStdString(text));
        const QString statusPath = rig.dir.filePath(dncStatusFileName());
        QVERIFY(rig.start().isEmpty());
        rig.server->publishTo(statusPath);
        QVERIFY(waitUntil([&] { return rig.listening(0); }, 20000));
        punch(machine, "O9999\n(REQ O2000)\nM30\n");
        QVERIFY(waitUntil([&] { return rig.awaitingDc1(0); }, 20000));
        // A control in DNC mode with a small buffer, running slowly.
        vm::ReceiveMode dnc;
        dnc.code = PunchCode::Iso;
        dnc.stopLevel = 1000;
        dnc.resumeLevel = 200;
        dnc.drainPerSecond = 0;  // the program stops at an M00 ...
        machine.clearReceived();
        machine.receive(dnc);
        QVERIFY2(waitUntil([&] { return rig.served(0).status().done >= 900; }, 20000),
                 qPrintable(QString::number(rig.served(0).status().done) + rig.logOf(1)));
        QTest::qWait(3000);  // ... held by DC3 far longer than a byte's time
        const DncMachineStatus held = rig.served(0).status();
        QCOMPARE(held.state, QStringLiteral("送信中"));
        QVERIFY(held.done < 1100);
        QVERIFY2(held.block.startsWith(u'N'), qPrintable(held.block));
        // The window on the same PC reads the same from the state file.
        QVERIFY(waitUntil([&] {
            const auto snapshot = readDncSnapshot(statusPath);
            return snapshot && snapshot->machines.size() == 1 && snapshot->machines[0].block == held.block
                && snapshotLive(*snapshot, QDateTime::currentDateTime());
        }, 20000));
        dnc.drainPerSecond = 6000;  // ... and the operator presses cycle start
        machine.receive(dnc);
        QVERIFY(waitUntil([&] { return rig.served(0).status().finish.isValid() || rig.logOf(1).contains(QStringLiteral("\t送信\t")); }, 20000));
        QVERIFY(arrived(machine, "M30\r\n%\r\n", 60000));
        QCOMPARE(bytesOf(machine.received()), iso("\n" + text + "%\r\n"));
        QVERIFY(machine.bytesAfterDc3().size() >= 2);
        QVERIFY(waitUntil([&] { return rig.logOf(1).contains(QStringLiteral("\t送信\tO2000\t")); }, 20000));
        rig.stop();
        QVERIFY(!QFile::exists(statusPath));
        // marbolt-dnc takes over the name; this stopped server, when it
        // goes, leaves that file alone.
        QVERIFY(writeDncSnapshot(statusPath, DncSnapshot{::getppid(), QDateTime::currentDateTime(), {}}));
        rig.server.reset();
        QVERIFY(QFile::exists(statusPath));
    }

    // What the server refuses to serve, named.
    void namesWhatItCannotServe()
    {
        DncRig rig;
        rig.add(QStringLiteral("FILENAME=O;12;.nc\r\n"));
        rig.add();
        rig.machines.push_back(vm::VirtualMachine::create());
        rig.extra.push_back(QString());  // no folders: not served
        QStringList problems = rig.start();
        QCOMPARE(rig.server->machines().size(), std::size_t(2));
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains(QStringLiteral("FILENAME=O;12;.nc")), qPrintable(problems.join(u'\n')));
        rig.stop();
        problems = rig.server->start({QStringLiteral("MC3"), QStringLiteral("MC9")});
        QCOMPARE(rig.server->machines().size(), std::size_t(1));
        QVERIFY(problems.contains(QStringLiteral("機械 MC9 は設定にありません")));
        rig.stop();
    }
};

QTEST_GUILESS_MAIN(DncServerTest)
#include "dncserver_test.moc"
