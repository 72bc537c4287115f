// Transfer benchmark: the real main window and its send engine and
// reception against the virtual machine on a pseudo-terminal. Not a test.
//   1. a 32 KB document at 19200 bit/s 8N2: share of the line rate
//   2. bytes reaching the machine after its DC3, at 4800 and 19200 bit/s
//   3. CPU while a send waits 10 s for DC1, and during a reception at 4800
//   4. the engine's cost per byte with pacing out of the way
//   5. the window's thread during a send at 1200 and 19200 bit/s: how
//      late a 1 ms timer of the window fires (the longest time the window
//      could not answer) and the CPU that thread used
// Run with "quick" to shorten the reception of 3 from 60 s to 10 s, with
// "receive" for that reception alone, with "dc3" for 2 alone, with
// "window" for 5 alone.
#include "cputime.h"
#include "windowbench.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <string>

using namespace marbolt;
using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

struct Bench : WindowBench {
    explicit Bench(int speed) : WindowBench(speed, QStringLiteral("2")) {}
};

void lineRate()
{
    Bench b(19200);
    b.document(32 * 1024);
    b.send({});
    const std::size_t n = b.machine->received().size();
    const double span = b.arrivalSpan();
    const double line = (n - 1) * 11 / 19200.0;
    std::printf("1. 32 KB at 19200 8N2: %zu bytes in %.3f s, line time %.3f s: %.1f %% of the line rate "
                "(target >= 98 %%)\n",
                n, span, line, 100 * line / span);
}

void overshoot(int speed)
{
    Bench b(speed);
    const double rate = speed / 11.0;
    // Pauses: the control's buffer fills at a third of the line rate.
    b.document(static_cast<std::size_t>(100 * 60 * 1.6));
    vm::ReceiveMode mode;
    mode.stopLevel = 64;
    mode.resumeLevel = 24;
    mode.drainPerSecond = rate / 3;
    b.send(mode);
    auto pauses = b.machine->bytesAfterDc3();
    if (pauses.size() > 100)
        pauses.resize(100);
    const int worst = pauses.empty() ? 0 : *std::max_element(pauses.begin(), pauses.end());
    const double mean = pauses.empty() ? 0 : std::accumulate(pauses.begin(), pauses.end(), 0.0) / pauses.size();
    const auto over2 = std::count_if(pauses.begin(), pauses.end(), [](int p) { return p > 2; });
    std::printf("2. bytes after DC3 at %d bit/s over %zu pauses: at most %d, mean %.2f, %ld pauses above 2 "
                "(target at most 2 each time)\n",
                speed, pauses.size(), worst, mean, static_cast<long>(over2));
}

void waitingCpu()
{
    Bench b(19200);
    b.form->settings().set(QStringLiteral("SE"), QStringLiteral("1"));
    b.document(1000);
    QTimer::singleShot(10000, b.form.get(), &TSDIAppForm::stop1Execute);
    const double before = cpuSeconds();
    const auto start = Steady::now();
    b.form->send1Execute();
    runTransferToEnd(*b.form);
    const double wall = std::chrono::duration<double>(Steady::now() - start).count();
    const double used = cpuSeconds() - before;
    std::printf("3a. send waiting for DC1 for %.1f s: %.3f s CPU = %.2f %% of one core (target < 2 %%)\n",
                wall, used, 100 * used / wall);
}

void receivingCpu(int seconds)
{
    // The machine runs as its own process here, so that the CPU time
    // counted is the program's alone.
    Bench b(4800);
    const double rate = 4800 / 11.0;
    std::string text = "O1000\n";
    for (int i = 0; text.size() < rate * seconds; ++i)
        text += "G01X" + std::to_string(i % 1000) + ".Y-2.5\n";
    text += "M30\n";
    const QString tapeFile = b.dir.filePath(QStringLiteral("tape.nc"));
    {
        QFile f(tapeFile);
        f.open(QIODevice::WriteOnly);
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
    QProcess machine;
    machine.start(QStringLiteral(VMACHINE_PATH),
                  {QStringLiteral("punch"), QStringLiteral("--code"), QStringLiteral("iso"),
                   QStringLiteral("--rate"), QString::number(rate), tapeFile});
    if (!machine.waitForReadyRead(5000)) {
        std::fprintf(stderr, "the virtual machine did not start\n");
        return;
    }
    const QString port = QString::fromLocal8Bit(machine.readLine()).trimmed();
    b.form->settings().set(QStringLiteral("PORT"), port);
    const double before = cpuSeconds();
    const auto start = Steady::now();
    b.form->Rec1Execute();
    runTransferToEnd(*b.form);
    const double wall = std::chrono::duration<double>(Steady::now() - start).count();
    const double used = cpuSeconds() - before;
    machine.closeWriteChannel();
    machine.waitForFinished(3000);
    std::printf("3b. reception of %zu bytes at 4800 bit/s, %.1f s: %.3f s CPU = %.2f %% of one core "
                "(target < 2 %%); %d lines received\n",
                text.size(), wall, used, 100 * used / wall, b.form->editor()->lines());
}

void engineCost()
{
    Bench b(1000000000);  // a character time of 11 ns
    b.document(200 * 1024);
    b.send({});
    const std::size_t n = b.machine->received().size();
    std::printf("4. engine cost with pacing out of the way: %.2f us a byte over %zu bytes (target < 30 us)\n",
                b.arrivalSpan() / n * 1e6, n);
}

double threadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

void windowThread(int speed, std::size_t bytes)
{
    Bench b(speed);
    b.document(bytes);
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    auto last = Steady::now();
    double latest = 0;
    long ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const auto now = Steady::now();
        latest = std::max(latest, std::chrono::duration<double, std::milli>(now - last).count() - 1);
        last = now;
        ++ticks;
    });
    tick.start();
    const double before = threadCpuSeconds();
    const auto start = Steady::now();
    b.send({});
    const double wall = std::chrono::duration<double>(Steady::now() - start).count();
    const double used = threadCpuSeconds() - before;
    std::printf("5. window's thread during a send of %zu bytes at %d bit/s, %.1f s: a 1 ms timer at most %.1f ms "
                "late, %ld ticks; the thread's CPU %.3f s = %.2f %%\n",
                b.machine->received().size(), speed, wall, latest, ticks, used, 100 * used / wall);
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("quick"));
    if (app.arguments().contains(QStringLiteral("receive"))) {
        receivingCpu(10);
        return 0;
    }
    if (app.arguments().contains(QStringLiteral("window"))) {
        windowThread(1200, 300);
        windowThread(19200, 5000);
        return 0;
    }
    if (app.arguments().contains(QStringLiteral("dc3"))) {
        overshoot(4800);
        overshoot(19200);
        return 0;
    }
    lineRate();
    overshoot(4800);
    overshoot(19200);
    waitingCpu();
    receivingCpu(quick ? 10 : 60);
    engineCost();
    windowThread(1200, 300);
    windowThread(19200, 5000);
    return 0;
}
