#pragma once
// A serial device server on the network, as the port's system calls: the
// socket stands where the device would. A raw TCP server passes bytes
// unchanged and keeps its own line settings; an RFC 2217 server is set
// from the attributes the port applies, and its line-state notifications
// become the error counters. The port's open, read, write, wait, queue and
// error calls then work unchanged.
//
// One link per open port. The user-interface thread, the port's watcher
// and its input throttle call it at once; one lock guards its state, and
// no call holds it while it waits.
#include "serial/netaddress.h"
#include "serial/serialsystem.h"
#include "serial/telnetcodec.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

namespace marbolt {

class NetworkLink : public SerialSystem {
public:
    explicit NetworkLink(NetworkAddress address);
    ~NetworkLink() override;
    NetworkLink(const NetworkLink &) = delete;
    NetworkLink &operator=(const NetworkLink &) = delete;

    // Time allowed to connect and, for RFC 2217, for the server to accept
    // the COM port option and to confirm the line settings.
    static constexpr std::chrono::milliseconds kConnectTimeout{5000};
    static constexpr std::chrono::milliseconds kAnswerTimeout{3000};

    // The path is ignored: the address was given at construction.
    int openDevice(const char *path) override;
    // Gives up the connection being made, from another thread: the
    // connect and the waits for the server's answers end at once with
    // ECANCELED. The link is of no further use.
    void abort();
    int closeDevice(int fd) override;
    int takeExclusive(int fd) override;
    void releaseExclusive(int fd) override;
    int getAttributes(int fd, termios &t) override;
    int setAttributes(int fd, const termios &t) override;
    int setCustomSpeed(int fd, int bps) override;
    ssize_t readSome(int fd, void *buffer, size_t count) override;
    ssize_t writeSome(int fd, const void *buffer, size_t count) override;
    int pollFds(pollfd *fds, nfds_t count, int timeoutMs) override;
    int inputQueue(int fd) override;
    std::optional<int> outputQueue(int fd) override;
    int sendFlowChar(int fd, bool stop) override;
    int flushQueues(int fd, int queueSelector) override;
    int setModemLines(int fd, int bits, bool on) override;
    int getModemLines(int fd, int &bits) override;
    std::optional<LineErrorCounts> lineErrorCounts(int fd) override;

private:
    using Clock = std::chrono::steady_clock;
    bool telnet() const { return address_.protocol == NetworkAddress::Protocol::Rfc2217; }
    // Who the connection is with: connections to one server end before
    // the next one is made.
    std::string serverKey() const;
    int connectSocket();
    // Reads what the socket holds into the input, through the codec for
    // RFC 2217. Called with the lock held; never blocks.
    void pumpLocked();
    // Writes what waits to go out as far as the socket takes it.
    bool flushLocked();
    bool sendLocked(const std::string &wire);
    // Waits, pumping, until done() holds, the deadline passes or the
    // connection ends. Without the lock; takes it to look.
    template <typename Done>
    bool waitUntil(Done done, Clock::time_point deadline);
    int applyLine(const ComPortSettings &settings);
    // The server has confirmed exactly these settings on this connection.
    bool alreadyApplied(const ComPortSettings &settings);
    // Wakes a poll of another thread: a read on one thread may take from
    // the socket what another thread's poll was waiting for.
    void wakePollers();

    const NetworkAddress address_;
    std::mutex mutex_;
    int socket_ = -1;
    int wakeFd_ = -1;
    bool gone_ = false;
    std::atomic<bool> aborted_{false};
    int goneErrno_ = 0;
    termios attributes_{};
    TelnetCodec codec_;
    std::string input_;     // data bytes read and not yet taken
    std::size_t inputHead_ = 0;
    std::string output_;    // wire bytes the socket has not yet taken
    std::optional<ComPortSettings> applied_;
};

}  // namespace marbolt
