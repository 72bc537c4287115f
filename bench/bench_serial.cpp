// Serial-line benchmark against the virtual machine on a pseudo-terminal.
// Not a test: it prints figures for the targets.
//   1. WriteByte throughput at 19200 bit/s 8N2, as a share of the line rate
//   2. WriteByte cost per byte with pacing out of the way
//   3. hand-over latency, machine writes a byte -> OnRXCHAR on this thread
//   4. CPU time of an open, idle port over 10 s
#include "cputime.h"
#include "serial/comthd.h"
#include "serial/rs232c.h"
#include "virtualmachine.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace marbolt;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

std::unique_ptr<vm::VirtualMachine> machineOrDie()
{
    std::string error;
    auto m = vm::VirtualMachine::create(&error);
    if (!m) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    return m;
}

void throughput()
{
    auto machine = machineOrDie();
    Trs232c port(LineSettings::sendPortDefaults());
    port.portname = QString::fromStdString(machine->portPath());
    port.bps = 19200;
    port.stopbit = QStringLiteral("2");
    if (!port.Open())
        std::exit(1);
    const int n = 3840;  // two seconds of line
    const auto start = Clock::now();
    for (int i = 0; i < n; ++i)
        port.WriteByte('A');
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    const double line = n * 11 / 19200.0;
    machine->waitForCount(n, 5000ms);
    std::printf("1. WriteByte at 19200 8N2: %d bytes in %.3f s, line time %.3f s: %.1f %% of the line rate "
                "(target >= 98 %%)\n",
                n, took, line, 100.0 * line / took);
}

void perByteCost()
{
    auto machine = machineOrDie();
    Trs232c port(LineSettings::sendPortDefaults());
    port.portname = QString::fromStdString(machine->portPath());
    port.bps = 1000000000;  // a character time of 11 ns: pacing out of the way
    if (!port.Open())
        std::exit(1);
    const int n = 100000;
    const auto start = Clock::now();
    for (int i = 0; i < n; ++i)
        port.WriteByte(static_cast<std::uint8_t>('0' + i % 10));
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    machine->waitForCount(n, 10000ms);
    std::printf("2. WriteByte cost: %.2f us a byte over %d bytes (target < 20 us); machine got %zu\n",
                took / n * 1e6, n, machine->received().size());
}

enum class UiThread { Blocked, Pumping };

void handOverLatency(UiThread ui)
{
    auto machine = machineOrDie();
    Trs232c port(LineSettings::sendPortDefaults());
    port.portname = QString::fromStdString(machine->portPath());
    port.bps = 19200;
    std::vector<Clock::time_point> ran;
    port.OnRXCHAR = [&](tcommthread &) {
        ran.push_back(Clock::now());
        std::uint8_t b;
        while (port.RxCount() > 0 && port.ReadByte(b)) {
        }
    };
    if (!port.Open())
        std::exit(1);
    const int n = 1000;
    for (int i = 0; i < n; ++i) {
        machine->sendNow({kDC1});
        const auto until = Clock::now() + 100ms;
        while (static_cast<int>(ran.size()) <= i && Clock::now() < until) {
            if (ui == UiThread::Blocked) {
                // Idle: asleep in the event loop until an event comes.
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            } else {
                // As in a transfer loop: pump, then a short wait.
                QCoreApplication::processEvents();
                std::this_thread::sleep_for(100us);
            }
        }
        std::this_thread::sleep_for(1ms);
    }
    const auto sent = machine->sent();
    std::vector<double> us;
    for (std::size_t i = 0; i < std::min(sent.size(), ran.size()); ++i)
        us.push_back(std::chrono::duration<double, std::micro>(ran[i] - sent[i].at).count());
    std::sort(us.begin(), us.end());
    if (us.empty())
        return;
    const double median = us[us.size() / 2];
    const double p99 = us[us.size() * 99 / 100];
    const double character = 11 / 19200.0 * 1e6;
    std::printf("3%s. hand-over latency, user-interface thread %s, %zu bytes: median %.0f us, "
                "99th percentile %.0f us = %.2f characters at 19200 8N2, max %.0f us "
                "(target < 1000 us, < 2 characters)\n",
                ui == UiThread::Blocked ? "a" : "b",
                ui == UiThread::Blocked ? "asleep in its event loop" : "pumping as a transfer does",
                us.size(), median, p99, p99 / character, us.back());
}

void idleCpu()
{
    auto machine = machineOrDie();
    Trs232c send(LineSettings::sendPortDefaults());
    Trs232c receive(LineSettings::receivePortDefaults());
    auto second = machineOrDie();
    send.portname = QString::fromStdString(machine->portPath());
    receive.portname = QString::fromStdString(second->portPath());
    send.OnRXCHAR = [](tcommthread &) {};
    receive.OnERR = [](tcommthread &) {};
    if (!send.Open() || !receive.Open())
        std::exit(1);
    const double before = cpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = cpuSeconds() - before;
    std::printf("4. both ports open and idle for 10 s: %.4f s CPU = %.3f %% of one core (target < 1 %%)\n",
                used, used / 10 * 100);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList only = app.arguments().mid(1);  // e.g. "3" runs only the third
    auto wanted = [&](const char *n) { return only.isEmpty() || only.contains(QLatin1String(n)); };
    if (wanted("1"))
        throughput();
    if (wanted("2"))
        perByteCost();
    if (wanted("3")) {
        handOverLatency(UiThread::Blocked);
        handOverLatency(UiThread::Pumping);
    }
    if (wanted("4"))
        idleCpu();
    return 0;
}
