#pragma once
// Trs232c: one RS-232C port. It keeps the line parameters (its published
// properties, inherited from LineSettings), opens the port with them, moves
// bytes with time-outs, reports the bytes waiting, drives RTS and, while
// open, reports line events through its watcher thread (tcommthread).
//
// Threading: every operation is called on the user-interface thread, and
// every handler runs there. The watcher only waits on the port and hands
// over; it never reads, writes or touches a handler itself. A port with
// input flow control at set levels also runs an InputThrottle, which only
// looks at the input queue and sends XOFF or XON, under the input lock.
#include "serial/lineconfig.h"
#include "serial/lineport.h"
#include "serial/linesettings.h"
#include "serial/serialsystem.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace marbolt {

class tcommthread;
class InputThrottle;
class NetworkLink;

// Line events, as the bits of the event mask.
constexpr std::uint32_t EV_RXCHAR = 0x0001;
constexpr std::uint32_t EV_RXFLAG = 0x0002;
constexpr std::uint32_t EV_TXEMPTY = 0x0004;
constexpr std::uint32_t EV_CTS = 0x0008;
constexpr std::uint32_t EV_DSR = 0x0010;
constexpr std::uint32_t EV_RLSD = 0x0020;
constexpr std::uint32_t EV_BREAK = 0x0040;
constexpr std::uint32_t EV_ERR = 0x0080;
constexpr std::uint32_t EV_RING = 0x0100;

// Line-error bits of CommStatus::errors.
constexpr std::uint32_t CE_RXOVER = 0x0001;    // input buffer overflow
constexpr std::uint32_t CE_OVERRUN = 0x0002;   // character overrun
constexpr std::uint32_t CE_RXPARITY = 0x0004;  // parity error
constexpr std::uint32_t CE_FRAME = 0x0008;     // framing error
constexpr std::uint32_t CE_BREAK = 0x0010;     // break received

// The CE_ bits of the counters that changed between two readings.
std::uint32_t lineErrorBits(const LineErrorCounts &now, const LineErrorCounts &before);

// "COM1" ... "COMn" name /dev/ttyS0 ... /dev/ttyS(n-1); "tcp://HOST:PORT"
// and "rfc2217://HOST:PORT" name serial device servers on the network (see
// NetworkLink); any other name is a device path used as it stands.
std::string devicePathFor(const QString &portname);

class Trs232c : public LineSettings, public LinePort {
public:
    using LineEvent = std::function<void(tcommthread &sender)>;
    using PortEvent = std::function<void(Trs232c &sender)>;

    explicit Trs232c(const LineSettings &settings = {},
                     SerialSystem &system = posixSerialSystem(),
                     const PortEvent &onCreate = {});
    ~Trs232c();
    Trs232c(const Trs232c &) = delete;
    Trs232c &operator=(const Trs232c &) = delete;

    LineEvent OnBREAK, OnCTS, OnDSR, OnERR, OnRING, OnRLSD, OnRXCHAR, OnRXFLAG, OnTXEMPTY;
    PortEvent OnCreate, OnOpen, OnClose;
    LineEvent OnPACKET;

    LineSettings &line() override { return *this; }
    bool Open() override;
    // For a network port the connection is made (name look-up, connect,
    // the RFC 2217 option and line settings) on a thread of its own while
    // the caller's keepAlive runs; the rest of the Open then runs here as
    // for any port. Other ports open as Open() does.
    bool Open(const OpenWait &wait) override;
    bool OpenWaits() const override;
    bool OpenAborted() const override { return openAborted_; }
    bool Close() override;
    bool Read(std::uint8_t *buffer, int count);
    bool Write(const std::uint8_t *buffer, int count);
    bool ReadByte(std::uint8_t &b) override;
    bool WriteByte(std::uint8_t b) override;
    int RxCount() override;
    std::optional<int> Handle() const;
    bool SetRts(bool on) override;
    InputWait WaitForInput(int ms) override;
    std::optional<CommStatus> ClearCommError() override;

    bool isOpen() const { return opened_; }
    // The errno of the last failed system call, for diagnostics.
    int lastError() const override { return lastErrno_; }
    bool keepsBacklog() const override;
    // The events the watcher waits for, as computed at the last Open.
    std::uint32_t eventMask() const { return eventMask_; }
    bool hasWatcher() const { return watcher_ != nullptr; }
    // Writes since Open; the watcher reads it for EV_TXEMPTY.
    std::uint64_t writeCount() const { return writes_.load(std::memory_order_relaxed); }

    // Input flow control at set levels, since the last Open: the largest
    // backlog seen, how often XoffChar and XonChar went out, and the
    // largest backlog at which XoffChar went.
    struct InputFlowRecord {
        int peakBacklog = 0;
        int stops = 0;
        int resumes = 0;
        int largestBacklogAtStop = 0;
    };
    InputFlowRecord inputFlowRecord() const;

private:
    friend class tcommthread;
    using Clock = std::chrono::steady_clock;

    std::uint32_t computeEventMask() const;
    // Open once the device is open at fd_ (the line set up, the watcher).
    bool finishOpen();
    void failOpen();
    bool errorPending();
    // Moves what the driver holds into the read-ahead buffer.
    enum class Fill { Got, Empty, Gone };
    Fill fillReadAhead();
    int takeReadAhead(std::uint8_t *buffer, int count);
    enum class Wait { Ready, TimedOut, Gone };
    Wait waitReadable(Clock::time_point deadline);
    bool waitWritable(Clock::time_point deadline);
    bool waitUntilSent(Clock::time_point deadline);
    bool waitForLine(int count, Clock::time_point deadline);
    // Sends XoffChar or XonChar when the backlog crosses the levels; true
    // while the input is held. Either thread; takes the input lock.
    bool throttleInput();
    int heldBytes() const { return readTail_ - readHead_; }

    // The system calls of the open port: the local one given at
    // construction, or the network link of a "tcp://" or "rfc2217://" port.
    SerialSystem &local_;
    SerialSystem *system_ = &local_;
    // Shared with a connection being made that was given up: the thread
    // making it keeps the link until it ends.
    std::shared_ptr<NetworkLink> link_;
    std::shared_ptr<NetworkLink> retiredLink_;  // kept for a retired watcher
    bool chooseSystem();
    // Back to the local system calls; the network link, if any, goes.
    void useLocalSystem();
    int fd_ = -1;
    bool opened_ = false;
    bool openAborted_ = false;
    int lastErrno_ = 0;
    std::uint32_t eventMask_ = 0;
    std::unique_ptr<tcommthread> watcher_;
    // A watcher left by a Close from inside its handler, joined later.
    std::unique_ptr<tcommthread> retired_;
    void reapRetiredWatcher();

    // As applied at Open.
    bool dropNul_ = false;
    bool abortOnError_ = false;
    bool hasOutputCount_ = false;
    std::optional<LineErrorCounts> clearedCounts_;
    std::chrono::nanoseconds characterTime_{0};
    int rxTimeoutMs_ = 0;
    int txTimeoutMs_ = 0;
    int readIntervalMs_ = 0;
    Clock::time_point lineFree_{};
    Clock::duration overslept_{};
    std::atomic<std::uint64_t> writes_{0};

    // Input flow control at set levels (see LineConfig::inputLimits).
    std::optional<LineConfig::InputLimits> inputLimits_;
    std::unique_ptr<InputThrottle> throttle_;
    std::uint8_t stopChar_ = 0;
    std::uint8_t startChar_ = 0;
    // Guards the read-ahead's indices against the throttle's look at them
    // (only the user-interface thread changes them), and the state below.
    mutable std::mutex inputMutex_;
    std::atomic<bool> inputHeld_{false};
    InputFlowRecord inputRecord_;

    // Bytes already taken from the driver and not yet read. Filled by
    // RxCount and Read, so dropped NUL bytes never count as waiting.
    std::array<std::uint8_t, 4096> readAhead_{};
    int readHead_ = 0;
    int readTail_ = 0;
    std::uint8_t byte_ = 0;  // the one-byte buffer of ReadByte and WriteByte
};

}  // namespace marbolt
