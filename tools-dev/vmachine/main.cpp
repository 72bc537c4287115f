// marbolt-vmachine: a virtual CNC control on a pseudo-terminal, for trying
// Marbolt's transfers by hand.
//
//   marbolt-vmachine receive [--stop N --resume M --drain BYTES_PER_S] [--no-dc1] [--out FILE]
//   marbolt-vmachine punch --code iso|eia [--rate BYTES_PER_S] [--no-wait] FILE
//
// It prints the device path to give Marbolt as its port, then runs until
// the input ends (Ctrl+D) or, for punch, the tape is out. receive writes
// what arrived to FILE (or reports a summary only).
#include "virtualmachine.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

using namespace marbolt;
using namespace marbolt::vm;

namespace {

int usage()
{
    std::cerr << "usage: marbolt-vmachine receive [--stop N --resume M --drain R] [--no-dc1] [--out FILE]\n"
                 "       marbolt-vmachine punch --code iso|eia [--rate R] [--no-wait] FILE\n";
    return 2;
}

void waitForEndOfInput()
{
    std::string line;
    while (std::getline(std::cin, line)) {
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    ReceiveMode rx;
    PunchMode px;
    std::string out, file, code = "iso";
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (a == "--stop") rx.stopLevel = std::stoul(next());
        else if (a == "--resume") rx.resumeLevel = std::stoul(next());
        else if (a == "--drain") rx.drainPerSecond = std::stod(next());
        else if (a == "--no-dc1") rx.sendDc1AtStart = false;
        else if (a == "--out") out = next();
        else if (a == "--code") code = next();
        else if (a == "--rate") px.bytesPerSecond = std::stod(next());
        else if (a == "--no-wait") px.waitForDc1 = false;
        else if (!a.empty() && a[0] != '-') file = a;
        else return usage();
    }

    std::string error;
    auto machine = VirtualMachine::create(&error);
    if (!machine) {
        std::cerr << error << "\n";
        return 1;
    }
    std::cout << machine->portPath() << std::endl;

    if (command == "receive") {
        machine->receive(rx);
        waitForEndOfInput();
        const auto bytes = machine->received();
        if (!out.empty()) {
            std::ofstream f(out, std::ios::binary);
            f.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        const auto pauses = machine->bytesAfterDc3();
        std::cout << bytes.size() << " bytes received, " << pauses.size() << " pauses";
        int worst = 0;
        for (int p : pauses)
            worst = std::max(worst, p);
        std::cout << ", at most " << worst << " bytes after a DC3\n";
        return 0;
    }
    if (command == "punch") {
        std::ifstream f(file, std::ios::binary);
        if (!f) {
            std::cerr << "cannot read " << file << "\n";
            return 1;
        }
        const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        const PunchCode pc = code == "eia" ? PunchCode::Eia : PunchCode::Iso;
        machine->punch(punchTape(text, pc), px);
        while (!machine->waitForPunchFinished(std::chrono::milliseconds(500))) {
        }
        std::cout << "tape punched; press Ctrl+D to hang up\n";
        waitForEndOfInput();
        return 0;
    }
    return usage();
}
