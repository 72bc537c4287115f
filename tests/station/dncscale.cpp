// The real marbolt-dnc serving many machines through Debian's ser2net on
// 127.0.0.1 (raw TCP and RFC 2217 alternately), each in front of a virtual
// machine tool: every machine punches a program and asks for one at the
// same time as the others, in mixed order; one device server is killed
// in the middle of a reception and started again; the server itself is
// killed (kill -9) in the middle of a reception and started again. Every
// program must arrive byte for byte; it prints what it measured.
//
//   dncscale [--machines N]       (ctest runs 4; the measurement 32)
#include "serial/punchcodes.h"
#include "virtualmachine.h"
#include "../network/ser2netserver.h"
#include "../punchbytes.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace marbolt;
using marbolt::testing::bytesOf;
using marbolt::testing::iso;
using marbolt::testing::Ser2net;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

int failures = 0;

void fail(const std::string &what)
{
    std::cerr << "FAIL: " << what << "\n";
    ++failures;
}

std::string readFile(const fs::path &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void writeFile(const fs::path &path, const std::string &bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string crlf(const std::string &lf)
{
    std::string out;
    for (char c : lf) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// A program of about bytes characters, told apart by its number (LF lines).
std::string program(int number, std::size_t bytes)
{
    std::string text = "O" + std::to_string(number) + " (MC TEST)\n";
    for (int i = 1; text.size() < bytes; ++i)
        text += "N" + std::to_string(i) + " G01 X" + std::to_string(number % 100) + "." + std::to_string(i % 1000)
              + " Y-" + std::to_string(i % 37) + ". F250.\n";
    return text + "M30\n";
}

bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    const auto end = Steady::now() + timeout;
    while (!done()) {
        if (Steady::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

struct Server {
    pid_t pid = -1;
    std::string program, settings, log;

    void start()
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        std::string s = settings;
        char *argv[] = {program.data(), const_cast<char *>("--settings"), s.data(), nullptr};
        if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    void stop(int signal)
    {
        if (pid <= 0)
            return;
        ::kill(pid, signal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
    }
    // CPU seconds (user + system) and peak resident memory in kB, from /proc.
    std::pair<double, long> usage() const
    {
        std::istringstream stat(readFile("/proc/" + std::to_string(pid) + "/stat"));
        std::string field;
        std::vector<std::string> fields;
        while (stat >> field)
            fields.push_back(field);
        const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
        const double cpu = fields.size() > 15 ? (std::stod(fields[13]) + std::stod(fields[14])) / ticks : 0;
        long peak = 0;
        std::istringstream status(readFile("/proc/" + std::to_string(pid) + "/status"));
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmHWM:", 0) == 0)
                peak = std::stol(line.substr(6));
        return {cpu, peak};
    }
};

struct Machine {
    int index = 0;
    std::unique_ptr<vm::VirtualMachine> vm;
    std::unique_ptr<Ser2net> net;
    Ser2net::Accepter accepter = Ser2net::Accepter::Raw;
    int tcpPort = 0;
    fs::path in, out;
    std::string received;   // the program it punches
    std::string requested;  // the program it asks for, as the file holds it
    Steady::time_point requestEnd{};
    Steady::time_point controlReady{};  // the control's DC1 after the request
    Steady::time_point firstByte{};
};

// At the line's pace (115200 bit/s): the pseudo-terminal behind the
// device server has none of its own.
void punch(vm::VirtualMachine &m, const std::string &text, double rate = vm::lineBytesPerSecond(115200))
{
    vm::PunchMode mode;
    mode.waitForDc1 = false;
    mode.bytesPerSecond = rate;
    m.punch(vm::punchTape(text, PunchCode::Iso), mode);
}

// The operator switches the control to read half a second after the
// request is out; the control then asks with DC1 and reads at its pace.
void readAnswer(Machine &m)
{
    vm::ReceiveMode read;
    read.code = PunchCode::Iso;
    read.startDelay = 500ms;
    read.stopLevel = 512;
    read.resumeLevel = 128;
    read.drainPerSecond = 4000;
    m.vm->clearReceived();
    m.vm->receive(read);
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5))];
}

}  // namespace

int main(int argc, char **argv)
{
    int count = 4;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--machines")
            count = std::max(2, std::atoi(argv[i + 1]));
    char folderName[] = "/tmp/marbolt-dncscale-XXXXXX";
    if (!::mkdtemp(folderName))
        return 2;
    const fs::path root = folderName;

    std::vector<Machine> machines(static_cast<std::size_t>(count));
    std::string settings = "[COMM]\r\n";
    std::string profiles;
    for (int i = 0; i < count; ++i) {
        Machine &m = machines[static_cast<std::size_t>(i)];
        m.index = i;
        std::string why;
        m.vm = vm::VirtualMachine::create(&why);
        m.accepter = i % 2 == 0 ? Ser2net::Accepter::Raw : Ser2net::Accepter::Rfc2217;
        if (m.vm)
            m.net = Ser2net::start(m.vm->portPath(), m.accepter, &why, true);
        if (!m.vm || !m.net) {
            std::cerr << "cannot set up machine " << i + 1 << ": " << why << "\n";
            return 2;
        }
        m.tcpPort = m.net->port();
        m.in = root / ("in-" + std::to_string(i + 1));
        m.out = root / ("out-" + std::to_string(i + 1));
        // Sizes from 4 kB to about 40 kB.
        m.received = program(1000 + i, 4000 + 1200 * static_cast<std::size_t>(i % 30));
        m.requested = crlf(program(2000 + i, 6000 + 1000 * static_cast<std::size_t>(i % 30)));
        writeFile(m.out / ("O" + std::to_string(2000 + i) + ".nc"), m.requested);
        const std::string n = "MACHINE" + std::to_string(i + 1) + ".";
        const std::string port = m.net->url();
        if (i == 0)
            settings += "PORT=" + port + "\r\nSPEED=115200\r\nSTOPBIT=1\r\nCODE=ISO\r\nSE=0\r\nHEAD%=0\r\nTAPE=0\r\n"
                        "FEED=0\r\nWAIT=0\r\nLOG=0\r\n";
        for (const std::string &f : {"NAME=MC" + std::to_string(i + 1), "PORT=" + port, std::string("SPEED=115200"),
                                     std::string("STOPBIT=1"), std::string("CODE=ISO"), std::string("SE=0"),
                                     std::string("HEAD%=0"), std::string("TAPE=0"), std::string("FEED=0"),
                                     std::string("WAIT=0"), std::string("LOG=0"), "RECEIVEDIR=" + m.in.string(),
                                     "SENDDIRS=" + m.out.string(), std::string("REQUESTS=9999"),
                                     std::string("REQUESTDELAY=0")})
            profiles += n + f + "\r\n";
    }
    settings += "[MARBOLT]\r\nMACHINE=MC1\r\n[MACHINES]\r\n" + profiles;
    writeFile(root / "marbolt.ini", settings);

    Server server;
    server.program = MARBOLT_DNC_PATH;
    server.settings = (root / "marbolt.ini").string();
    server.log = (root / "server.log").string();
    const auto began = Steady::now();
    server.start();
    if (server.pid <= 0) {
        std::cerr << "marbolt-dnc could not be started\n";
        return 2;
    }
    // Listening on every line: each has opened its connection. Then the
    // server idles on all of them for a while.
    std::this_thread::sleep_for(1500ms);
    const double idleFrom = server.usage().first;
    std::this_thread::sleep_for(3s);
    const double idleCpu = server.usage().first - idleFrom;

    // Mixed: even machines punch first and then ask, odd ones the other way.
    std::size_t bytesMoved = 0;
    std::vector<double> latencies;
    for (int round = 0; round < 2; ++round) {
        // The operator turns the control from read to punch: seconds, in
        // which the server closes the answer's line and listens again.
        if (round == 1)
            std::this_thread::sleep_for(2500ms);
        for (Machine &m : machines) {
            if ((m.index % 2 == 0) == (round == 0))
                punch(*m.vm, m.received);
            else
                punch(*m.vm, "O9999\n(REQ O" + std::to_string(2000 + m.index) + ")\nM30\n");
        }
        for (Machine &m : machines) {
            const bool asks = (m.index % 2 == 0) != (round == 0);
            if (!m.vm->waitForPunchFinished(30s)) {
                fail("machine " + std::to_string(m.index + 1) + " could not punch");
                continue;
            }
            if (!asks)
                continue;
            m.requestEnd = m.vm->sent().back().at;
            readAnswer(m);
        }
        for (Machine &m : machines) {
            const bool asks = (m.index % 2 == 0) != (round == 0);
            const std::string name = "machine " + std::to_string(m.index + 1);
            if (asks) {
                const std::string want = iso("\n" + m.requested + "%\r\n");
                // The DC1 the server's next reception starts with may follow.
                if (!m.vm->waitFor([&](const std::vector<std::uint8_t> &b) { return b.size() >= want.size(); }, 60s)
                    || bytesOf(m.vm->received()).substr(0, want.size()) != want
                    || bytesOf(m.vm->received()).find_first_not_of('\x11', want.size()) != std::string::npos) {
                    fail(name + ": the answer is not the program asked for (" + std::to_string(m.vm->received().size())
                         + " bytes of " + std::to_string(want.size()) + ")");
                    writeFile(root / ("answer-" + std::to_string(m.index + 1)), bytesOf(m.vm->received()));
                    continue;
                }
                bytesMoved += want.size();
                // The control's DC1 (the first byte it wrote after the request) to the answer's first byte.
                for (const vm::Arrival &a : m.vm->sent())
                    if (a.at > m.requestEnd && a.byte == 0x11) {
                        m.controlReady = a.at;
                        break;
                    }
                m.firstByte = m.vm->arrivals().front().at;
                latencies.push_back(std::chrono::duration<double, std::milli>(m.firstByte - m.controlReady).count());
                if (!m.vm->rejected().empty())
                    fail(name + ": the control rejected bytes of the answer");
            } else {
                const fs::path file = m.in / ("O" + std::to_string(1000 + m.index) + ".nc");
                const std::string want = crlf(m.received) + "%\r\n";
                if (!waitUntil([&] { return readFile(file) == want; }, 60s)) {
                    fail(name + ": " + file.string() + " is not the program punched");
                    continue;
                }
                bytesMoved += want.size();
            }
        }
    }
    // A request for a program that is not there, through the device
    // server: the control gets the program that says so.
    {
        Machine &m = machines.back();
        std::this_thread::sleep_for(2500ms);
        punch(*m.vm, "O9999\n(REQ O7777)\nM30\n");
        m.vm->waitForPunchFinished(30s);
        readAnswer(m);
        const std::string want = iso("\nO9999\r\n(O7777 NOT FOUND)\r\nM30\r\n%\r\n");
        if (!m.vm->waitFor([&](const std::vector<std::uint8_t> &b) { return b.size() >= want.size(); }, 30s)
            || bytesOf(m.vm->received()).substr(0, want.size()) != want)
            fail("a missing program was not answered with the program saying so");
    }
    const auto mixedEnd = Steady::now();
    const auto [cpuMixed, rssMixed] = server.usage();

    // A device server dies in the middle of a reception and comes back:
    // only its machine's reception fails, and the server takes it up again.
    {
        Machine &lost = machines[0];
        Machine &other = machines[1];
        std::this_thread::sleep_for(300ms);
        punch(*lost.vm, program(3000, 20000), 2000);
        punch(*other.vm, program(3001, 8000));
        std::this_thread::sleep_for(1500ms);
        lost.net->kill();
        const fs::path otherFile = other.in / "O3001.nc";
        lost.vm->punch({}, vm::PunchMode{});  // the operator stops the punch
        std::string why;
        lost.net = Ser2net::start(lost.vm->portPath(), lost.accepter, &why, true, lost.tcpPort);
        if (!lost.net) {
            fail("ser2net could not be started again: " + why);
        } else {
            // Taken up again after the server's next pause: a tape punched
            // before it has its line again is lost, and punched once more.
            bool back = false;
            for (int tries = 0; tries < 5 && !back; ++tries) {
                std::this_thread::sleep_for(1500ms);
                punch(*lost.vm, program(3002, 3000));
                back = waitUntil([&] { return fs::exists(lost.in / "O3002.nc"); }, 3s);
            }
            if (!back || readFile(lost.in / "O3002.nc") != crlf(program(3002, 3000)) + "%\r\n")
                fail("the machine was not served again after its device server came back");
        }
        if (!waitUntil([&] { return readFile(otherFile) == crlf(program(3001, 8000)) + "%\r\n"; }, 30s))
            fail("the other machine's reception did not come whole while a device server was down");
        if (fs::exists(lost.in / "O3000.nc"))
            fail("a broken reception was kept under its program's name");
        bool failedKept = false;
        for (const auto &entry : fs::directory_iterator(lost.in))
            failedKept = failedKept || entry.path().filename().string().rfind("failed-", 0) == 0;
        if (!failedKept)
            fail("the broken reception was not kept as a failed file");
    }

    // The server is killed (kill -9) in the middle of a reception: the
    // program's file still holds the version before, and nothing else
    // bears a program's name; started again, it serves at once.
    {
        Machine &m = machines[1];
        const fs::path file = m.in / ("O" + std::to_string(1000 + m.index) + ".nc");
        const std::string before = readFile(file);
        std::vector<std::string> namesBefore;
        for (const auto &entry : fs::directory_iterator(m.in))
            namesBefore.push_back(entry.path().filename().string());
        std::this_thread::sleep_for(300ms);
        punch(*m.vm, program(1000 + m.index, 12000), 3000);
        std::this_thread::sleep_for(1500ms);
        server.stop(SIGKILL);
        if (readFile(file) != before)
            fail("the program's file changed under a killed reception");
        for (const auto &entry : fs::directory_iterator(m.in)) {
            const std::string name = entry.path().filename().string();
            if (std::find(namesBefore.begin(), namesBefore.end(), name) == namesBefore.end()
                && name.rfind("failed-", 0) != 0)
                fail("a file was left by the killed reception: " + name);
        }
        m.vm->punch({}, vm::PunchMode{});  // the operator stops the punch
        server.start();
        std::this_thread::sleep_for(1500ms);
        punch(*m.vm, program(1000 + m.index, 5000));
        if (!waitUntil([&] { return readFile(file) == crlf(program(1000 + m.index, 5000)) + "%\r\n"; }, 15s))
            fail("the restarted server did not receive whole");
        server.stop(SIGTERM);
    }

    const std::string log = readFile(server.log);
    const auto lines = std::count(log.begin(), log.end(), '\n');
    // Less the start, the idle and the missing program's round.
    const double seconds = std::chrono::duration<double>(mixedEnd - began).count() - 8.0;
    std::printf("machines: %d (%d raw TCP, %d RFC 2217) through ser2net\n", count, (count + 1) / 2, count / 2);
    std::printf("mixed run: %d programs received and %d requests answered, %zu bytes, %.1f s\n", count, count,
                bytesMoved, seconds);
    std::printf("server: %.2f s CPU over the mixed run (%.1f %% of one core, %.1f us a byte), peak RSS %ld kB\n",
                cpuMixed - idleCpu, 100.0 * (cpuMixed - idleCpu) / seconds,
                1e6 * (cpuMixed - idleCpu) / static_cast<double>(bytesMoved), rssMixed);
    std::printf("the control's DC1 to the answer's first byte: median %.1f ms, 95th %.1f ms, most %.1f ms\n",
                percentile(latencies, 0.5), percentile(latencies, 0.95), percentile(latencies, 1.0));
    std::printf("server idle on every line: %.1f %% of one core\n", 100.0 * idleCpu / 3.0);
    std::printf("journal lines: %ld; failures: %d\n", static_cast<long>(lines), failures);
    if (failures == 0)
        fs::remove_all(root);
    else
        std::cerr << "kept for a look: " << root << "\n";
    return failures == 0 ? 0 : 1;
}
