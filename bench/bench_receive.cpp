// Reception flow control in the real window against the virtual machine
// punching at line speed: a 2,600-byte program behind a 30-character feed
// leader, the machine still punching 10 characters after each DC3.
// For each speed it prints the largest backlog of the receive queue, the
// backlog when DC3 went out, and the margin: how many characters the
// machine may still send after DC3 before the overflow stop at 1000. The
// baseline, measured in the same run, is the same reception with the
// port's own levels switched off (Linux's input flow control only).
// Not a test: it prints figures.
#include "quietdialogs.h"
#include "windowbench.h"
#include "app/widgets/sdiappform.h"
#include "../tests/window/windowprobe.h"
#include "document/widgets/nceditor.h"
#include "serial/punchcodes.h"
#include "virtualmachine.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace marbolt;

namespace {

constexpr int kOverflowStop = 1000;

struct Outcome {
    Trs232c::InputFlowRecord record;
    bool whole = false;
    int stops = 0;
};

Outcome receiveAt(int bps, bool portLevels)
{
    QTemporaryDir dir;
    QuietDialogs dialogs;
    auto machine = vm::VirtualMachine::create();
    AppEnvironment env;
    env.paths = AppPaths::inFolder(dir.path());
    env.dialogs = &dialogs;
    TSDIAppForm form(std::move(env));
    auto &s = form.settings();
    s.set(QStringLiteral("PORT"), QString::fromStdString(machine->portPath()));
    s.set(QStringLiteral("SPEED"), QString::number(bps));
    s.set(QStringLiteral("STOPBIT"), QStringLiteral("1"));
    if (!portLevels)
        WindowProbe::withPorts(form, [](Trs232c &, Trs232c &receive) {
            receive.XonLim = 0;  // the port keeps Linux's own levels
        });
    const std::string program = vm::longProgramText(2600);
    vm::PunchMode mode;
    mode.bytesPerSecond = vm::lineBytesPerSecond(bps);
    mode.overrunAfterDc3 = 10;
    machine->punch(vm::punchTape(program, PunchCode::Iso, 30, true, 0xFF), mode);
    form.Rec1Execute();
    runTransferToEnd(form);
    Outcome o;
    WindowProbe::withPorts(form, [&o](Trs232c &, Trs232c &receive) { o.record = receive.inputFlowRecord(); });
    const std::string_view doc = form.editor()->textView();
    o.whole = doc.size() == program.size() + std::count(program.begin(), program.end(), '\n') + 3;
    const auto fromPc = machine->received();
    o.stops = static_cast<int>(std::count(fromPc.begin(), fromPc.end(), kDC3));
    return o;
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int bps : {4800, 9600, 19200, 115200}) {
        const Outcome with = receiveAt(bps, true);
        const Outcome base = receiveAt(bps, false);
        const int atStop = with.record.largestBacklogAtStop;
        std::printf("%6d bit/s: largest backlog %4d (DC3 sent %d x, at a backlog of at most %d), margin after DC3 "
                    "%d characters, program %s | baseline without the port's levels: largest backlog %s, "
                    "program %s\n",
                    bps, with.record.peakBacklog, with.stops, atStop, kOverflowStop - atStop,
                    with.whole ? "whole" : "LOST", base.whole ? "under 1000" : "over 1000 (overflow stop)",
                    base.whole ? "whole" : "lost");
    }
    return 0;
}
