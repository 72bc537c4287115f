#pragma once
// A virtual machine tool on a pseudo-terminal: the far end of the serial
// line as a CNC control presents it. It records every byte the PC sends
// with its arrival time, paces a transmission with DC1/DC3 as a control
// with a small tape buffer does, and punches out a program tape for a
// reception. Tests and benchmarks drive it; marbolt-vmachine runs it by hand.
//
// Threading: all public calls are safe from any thread; the machine's own
// thread owns the pseudo-terminal's master side.
#include "serial/punchcodes.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace marbolt::vm {

using Clock = std::chrono::steady_clock;

struct Arrival {
    std::uint8_t byte;
    Clock::time_point at;
};

// How the control takes in a transmission.
struct ReceiveMode {
    // DC1 once receiving starts (after startDelay), as a control does when
    // its operator starts the input.
    bool sendDc1AtStart = true;
    std::chrono::milliseconds startDelay{0};
    // The simulated buffer: 0 means no pacing, DC3 is never sent. When the
    // buffer holds stopLevel bytes the control sends DC3 (0x93), when it has
    // drained to resumeLevel it sends DC1.
    std::size_t stopLevel = 0;
    std::size_t resumeLevel = 0;
    // Bytes the control consumes from its buffer a second.
    double drainPerSecond = 0;
    // A strict control reads the tape in this code and flags what it would
    // reject (see rejected()); None reads nothing.
    PunchCode code = PunchCode::None;
};

// A byte of a transmission a strict control rejects: in ISO a wrong parity,
// or a control character other than NUL, LF, CR, TAB, DC1 to DC4 and DEL
// (a Fanuc raises its TH alarm); in EIA a code that has no character.
struct Rejection {
    std::size_t index;  // among the bytes received since the mode began
    std::uint8_t byte;
};

// How the control punches out a tape.
struct PunchMode {
    // Wait for the PC's DC1 before punching, as a reception starts.
    bool waitForDc1 = true;
    // 0x93 from the PC pauses the punch, 0x11 resumes it.
    bool honourDc3 = true;
    // Characters a real control still punches after a DC3 before it stops
    // (its output buffer and reaction time).
    int overrunAfterDc3 = 0;
    // Bytes a second; 0 sends as fast as the line takes them.
    double bytesPerSecond = 0;
};

// An NC program of at least bytes characters (LF line ends): O7000, then
// numbered moves, then M30, as a control punches a long program back.
std::string longProgramText(std::size_t bytes);

// Bytes a second at bps with one start bit, eight data bits and the stop bits.
double lineBytesPerSecond(int bps, int stopBits = 1);

// A program tape as a control punches it: leader (NUL bytes, or the feed
// character the control uses), "%", end of block, the text with each line
// end as the code's end of block, "%", and DC4 when asked. text uses LF or
// CR LF line ends.
std::vector<std::uint8_t> punchTape(std::string_view text, PunchCode code, int leader = 10,
                                    bool dc4 = true, std::uint8_t leaderByte = 0x00);

class VirtualMachine {
public:
    // nullptr when no pseudo-terminal can be had; error says why.
    static std::unique_ptr<VirtualMachine> create(std::string *error = nullptr);
    ~VirtualMachine();
    VirtualMachine(const VirtualMachine &) = delete;
    VirtualMachine &operator=(const VirtualMachine &) = delete;

    // The device path the PC opens.
    const std::string &portPath() const { return path_; }

    void receive(const ReceiveMode &mode);
    void punch(std::vector<std::uint8_t> tape, const PunchMode &mode);
    // Writes bytes at once, outside any mode.
    void sendNow(std::vector<std::uint8_t> bytes);
    // Closes the line from the machine's side: the PC sees its far end vanish.
    void hangUp();

    std::vector<std::uint8_t> received() const;
    std::vector<Arrival> arrivals() const;
    // Bytes written to the PC with the time each was written.
    std::vector<Arrival> sent() const;
    // For each DC3 the control sent, the bytes that arrived after it and
    // before the DC1 that ended the pause.
    std::vector<int> bytesAfterDc3() const;
    // The bytes a strict control rejected, in the receive mode's code.
    std::vector<Rejection> rejected() const;
    bool punchFinished() const;
    void clearReceived();

    // Waits until pred holds over the received bytes, or the time-out.
    bool waitFor(const std::function<bool(const std::vector<std::uint8_t> &)> &pred,
                 std::chrono::milliseconds timeout) const;
    bool waitForCount(std::size_t count, std::chrono::milliseconds timeout) const;
    bool waitForPunchFinished(std::chrono::milliseconds timeout) const;

private:
    VirtualMachine() = default;
    void run();
    void wake();
    void takeIn(const std::uint8_t *bytes, std::size_t n, Clock::time_point at);
    void writeOut(std::uint8_t b);
    Clock::time_point nextDue(Clock::time_point now);
    void advance(Clock::time_point now);
    void punchOne();
    void drainTo(Clock::time_point now);

    std::string path_;
    int master_ = -1;
    int slave_ = -1;   // kept open so the line stays up between the PC's opens
    int wakeFd_ = -1;
    std::thread thread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool quit_ = false;
    bool hungUp_ = false;

    enum class Mode { Idle, Receive, Punch } mode_ = Mode::Idle;
    ReceiveMode receive_;
    PunchMode punch_;
    Clock::time_point modeStart_{};
    bool startSignalSent_ = false;
    double level_ = 0;          // bytes in the simulated buffer
    Clock::time_point levelAt_{};
    bool paused_ = false;       // DC3 sent, DC1 not yet
    std::vector<int> afterDc3_;
    std::size_t takenIn_ = 0;  // bytes received in the current receive mode
    std::vector<Rejection> rejected_;

    std::vector<std::uint8_t> tape_;
    std::size_t tapePos_ = 0;
    bool punchRunning_ = false;  // DC1 seen (or not needed) and not held by DC3
    int overrunLeft_ = -1;       // characters still punched after a DC3; -1: none pending
    Clock::time_point nextPunch_{};
    std::deque<std::uint8_t> immediate_;

    std::vector<Arrival> arrivals_;
    std::vector<std::uint8_t> received_;
    std::vector<Arrival> sent_;
};

}  // namespace marbolt::vm
