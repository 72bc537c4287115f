// Network port benchmark: the real main window sending through Debian's
// ser2net (raw TCP and RFC 2217 accepters on loopback) in front of the
// virtual machine, against the same window on the machine's pseudo-
// terminal directly (the baseline, measured in the same run). At 115200
// bit/s 8N1:
//   1. a 64 KB document taken unpaced: share of the line rate
//   2. a control pausing the send 100 times with DC3: the bytes that reach
//      it after each DC3 (target at most 10, what a Fanuc control allows),
//      with ser2net as installed and with its character delay off
// Not a test.
#include "windowbench.h"
#include "../tests/network/ser2netserver.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <string>

using namespace marbolt;
using namespace marbolt::testing;

namespace {

constexpr int kSpeed = 115200;

enum class Way { Local, Raw, Rfc2217, RawNoDelay, Rfc2217NoDelay };

const char *nameOf(Way way)
{
    switch (way) {
    case Way::Local: return "pseudo-terminal (baseline)";
    case Way::Raw: return "ser2net raw TCP";
    case Way::Rfc2217: return "ser2net RFC 2217";
    case Way::RawNoDelay: return "ser2net raw, chardelay off";
    case Way::Rfc2217NoDelay: return "ser2net 2217, chardelay off";
    }
    return "";
}

// The window on the machine's line, or on a server in front of it.
struct Bench : WindowBench {
    std::unique_ptr<Ser2net> server;

    explicit Bench(Way way) : WindowBench(kSpeed, QStringLiteral("1"))
    {
        if (way == Way::Local)
            return;
        const bool raw = way == Way::Raw || way == Way::RawNoDelay;
        const bool noDelay = way == Way::RawNoDelay || way == Way::Rfc2217NoDelay;
        std::string why;
        server = Ser2net::start(machine->portPath(), raw ? Ser2net::Accepter::Raw : Ser2net::Accepter::Rfc2217,
                                &why, noDelay);
        if (!server) {
            std::fprintf(stderr, "%s\n", why.c_str());
            std::exit(1);
        }
        form->settings().set(QStringLiteral("PORT"), QString::fromStdString(server->url()));
    }
};

void lineRate(Way way)
{
    Bench b(way);
    b.document(64 * 1024);
    b.send({});
    b.machine->waitForCount(64 * 1024, std::chrono::milliseconds(2000));
    const auto a = b.machine->arrivals();
    const double span = b.arrivalSpan();
    const double line = (a.size() - 1) * 10.0 / kSpeed;
    std::printf("1. %-28s 64 KB: %zu bytes in %.3f s, line time %.3f s: %.1f %% of the line rate\n", nameOf(way),
                a.size(), span, line, span > 0 ? 100 * line / span : 0.0);
}

void afterDc3(Way way)
{
    Bench b(way);
    const double rate = kSpeed / 10.0;
    // The control's buffer drains at a third of the line rate: DC3 at 64,
    // DC1 at 24, some 100 pauses in 14 KB.
    b.document(14 * 1024);
    vm::ReceiveMode mode;
    mode.stopLevel = 64;
    mode.resumeLevel = 24;
    mode.drainPerSecond = rate / 3;
    b.send(mode);
    auto p = b.machine->bytesAfterDc3();
    if (p.size() > 100)
        p.resize(100);
    std::sort(p.begin(), p.end());
    if (p.empty()) {
        std::printf("2. %-28s no pause\n", nameOf(way));
        return;
    }
    const auto at = [&](double q) { return p[std::min(p.size() - 1, static_cast<std::size_t>(q * p.size()))]; };
    const double mean = std::accumulate(p.begin(), p.end(), 0.0) / p.size();
    const auto within = std::count_if(p.begin(), p.end(), [](int n) { return n <= 10; });
    std::printf("2. %-28s bytes after DC3 over %zu pauses: min %d, median %d, 90 %% %d, max %d, mean %.2f; "
                "%ld of %zu within 10\n",
                nameOf(way), p.size(), p.front(), at(0.5), at(0.9), p.back(), mean, static_cast<long>(within),
                p.size());
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (Way way : {Way::Local, Way::Raw, Way::Rfc2217})
        lineRate(way);
    for (Way way : {Way::Local, Way::Raw, Way::Rfc2217, Way::RawNoDelay, Way::Rfc2217NoDelay})
        afterDc3(way);
    return 0;
}
