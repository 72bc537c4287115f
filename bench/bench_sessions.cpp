// What transfer sessions cost: the CPU of each session's thread while it
// is idle, while it waits for the machine's DC1, and while it sends at
// line speed; the rate against the line's; the bytes a paced machine got
// after each of its DC3. Several sessions at once, each against its own
// virtual machine tool on a pseudo-terminal.
#include "serial/punchcodes.h"
#include "transfer/transfersession.h"
#include "virtualmachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace marbolt;

namespace {

// CPU seconds of this process's session threads (named "session ...").
double sessionCpuSeconds()
{
    double total = 0;
    const long tick = sysconf(_SC_CLK_TCK);
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (!comm.open(QIODevice::ReadOnly) || !comm.readAll().startsWith("session"))
            continue;
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // Fields after the command's closing parenthesis: utime is the 12th, stime the 13th.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        total += (fields.value(11).toDouble() + fields.value(12).toDouble()) / tick;
    }
    return total;
}

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

TransferValues valuesFor(const vm::VirtualMachine &machine, int speed, bool sendRequest)
{
    TransferValues v;
    v.port = QString::fromStdString(machine.portPath());
    v.stopbit = QStringLiteral("1");
    v.speed = speed;
    v.code = PunchCode::Iso;
    v.sendRequest = sendRequest;
    return v;
}

struct Rig {
    std::vector<std::unique_ptr<vm::VirtualMachine>> machines;
    std::vector<std::unique_ptr<TransferSession>> sessions;
    explicit Rig(int n, int speed, bool sendRequest)
    {
        for (int i = 0; i < n; ++i) {
            machines.push_back(vm::VirtualMachine::create());
            sessions.push_back(std::make_unique<TransferSession>(QStringLiteral("M%1").arg(i),
                                                                 valuesFor(*machines.back(), speed, sendRequest)));
        }
    }
    bool idle() const
    {
        for (const auto &s : sessions)
            if (s->busy())
                return false;
        return true;
    }
};

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    constexpr int kSessions = 4;
    constexpr int kSpan = 3000;
    std::printf("%d sessions, each against its own virtual machine\n", kSessions);

    {
        Rig rig(kSessions, 19200, true);
        runFor(200);
        double before = sessionCpuSeconds();
        runFor(kSpan);
        std::printf("idle:              %.3f %% CPU per session\n",
                    100.0 * (sessionCpuSeconds() - before) / (kSpan / 1000.0) / kSessions);

        for (auto &m : rig.machines) {
            vm::ReceiveMode quiet;
            quiet.sendDc1AtStart = false;
            m->receive(quiet);
        }
        for (int i = 0; i < kSessions; ++i)
            rig.sessions[i]->send(documentSendJob(valuesFor(*rig.machines[i], 19200, true), "O1\r\nM30\r\n%"),
                                  QStringLiteral("O1"));
        runFor(200);
        before = sessionCpuSeconds();
        runFor(kSpan);
        std::printf("waiting for DC1:   %.3f %% CPU per session\n",
                    100.0 * (sessionCpuSeconds() - before) / (kSpan / 1000.0) / kSessions);
        for (auto &s : rig.sessions)
            s->cancel();
        while (!rig.idle())
            runFor(20);
    }

    for (const int speed : {19200, 115200}) {
        Rig rig(kSessions, speed, false);
        const std::string text = vm::longProgramText(static_cast<std::size_t>(speed / 10 * 3));  // ~3 s of line
        for (auto &m : rig.machines) {
            vm::ReceiveMode mode;
            mode.sendDc1AtStart = false;
            m->receive(mode);
        }
        const double before = sessionCpuSeconds();
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kSessions; ++i)
            rig.sessions[i]->send(documentSendJob(valuesFor(*rig.machines[i], speed, false), text), QStringLiteral("O7000"));
        while (!rig.idle())
            runFor(20);
        const double seconds = t.elapsed() / 1000.0 - 1.0;  // the machine's second after the last byte
        const double cpu = sessionCpuSeconds() - before;
        double slowest = 1e9;
        for (auto &m : rig.machines) {
            const auto arrivals = m->arrivals();
            if (arrivals.size() < 2)
                continue;
            const double span = std::chrono::duration<double>(arrivals.back().at - arrivals.front().at).count();
            slowest = std::min(slowest, (arrivals.size() - 1) / span / vm::lineBytesPerSecond(speed));
        }
        std::printf("sending at %6d: %.2f %% CPU per session, slowest rate %.1f %% of the line (%zu bytes each, %.1f s)\n",
                    speed, 100.0 * cpu / seconds / kSessions, 100.0 * slowest, text.size() + 1, seconds);
    }

    {
        // Machines with a small buffer: the bytes after each DC3.
        Rig rig(kSessions, 19200, true);
        const std::string text = vm::longProgramText(20000);
        for (int i = 0; i < kSessions; ++i)
            rig.sessions[i]->send(documentSendJob(valuesFor(*rig.machines[i], 19200, true), text), QStringLiteral("O7000"));
        runFor(300);
        for (auto &m : rig.machines) {
            vm::ReceiveMode mode;
            mode.stopLevel = 256;
            mode.resumeLevel = 64;
            mode.drainPerSecond = 1000;
            m->receive(mode);
        }
        while (!rig.idle())
            runFor(20);
        int worst = 0;
        std::size_t holds = 0;
        for (auto &m : rig.machines)
            for (int n : m->bytesAfterDc3()) {
                worst = std::max(worst, n);
                ++holds;
            }
        std::printf("paced at 19200:    %zu holds, at most %d bytes after a DC3\n", holds, worst);
    }
    return 0;
}
