#pragma once
// The operating-system calls of a serial port, behind one seam. Trs232c
// and its watcher call the port only through SerialSystem, so a Win32 back
// end can follow and tests can fake what a pseudo-terminal cannot produce
// (line errors). The POSIX implementation is posixSerialSystem().
//
// Every call returns -1 (or nullopt) on failure with errno set, as the
// underlying system call does; callers capture errno where they fail.
#include <poll.h>
#include <sys/types.h>
#include <termios.h>

#include <cstdint>
#include <optional>

namespace marbolt {

// Cumulative line-error counters of a port (Linux TIOCGICOUNT).
struct LineErrorCounts {
    std::uint32_t frame = 0;
    std::uint32_t overrun = 0;
    std::uint32_t parity = 0;
    std::uint32_t brk = 0;
    std::uint32_t bufferOverrun = 0;
    bool operator==(const LineErrorCounts &) const = default;
};

class SerialSystem {
public:
    virtual ~SerialSystem() = default;

    // Opens the device non-blocking, without making it the controlling tty.
    virtual int openDevice(const char *path);
    virtual int closeDevice(int fd);
    // Takes the device for this open file: an advisory lock that other
    // programs honour, and the tty's exclusive mode. release undoes both.
    virtual int takeExclusive(int fd);
    virtual void releaseExclusive(int fd);

    virtual int getAttributes(int fd, termios &t);
    virtual int setAttributes(int fd, const termios &t);
    // A speed outside the standard table, set after setAttributes.
    virtual int setCustomSpeed(int fd, int bps);

    virtual ssize_t readSome(int fd, void *buffer, size_t count);
    virtual ssize_t writeSome(int fd, const void *buffer, size_t count);
    virtual int pollFds(pollfd *fds, nfds_t count, int timeoutMs);

    // Bytes in the driver's input queue (FIONREAD).
    virtual int inputQueue(int fd);
    // Bytes in the driver's output queue (TIOCOUTQ); nullopt where the
    // device gives no meaningful count (pseudo-terminals report none even
    // while the peer has not read).
    virtual std::optional<int> outputQueue(int fd);
    // Sends the tty's STOP (stop) or START character ahead of any output
    // waiting in the driver, as a driver's own XOFF and XON go (tcflow).
    virtual int sendFlowChar(int fd, bool stop);
    // Discards the queues: input, output or both (tcflush).
    virtual int flushQueues(int fd, int queueSelector);
    // Raises (TIOCMBIS) or lowers (TIOCMBIC) modem control lines.
    virtual int setModemLines(int fd, int bits, bool on);
    virtual int getModemLines(int fd, int &bits);
    // nullopt where the driver keeps no counters (pseudo-terminals).
    virtual std::optional<LineErrorCounts> lineErrorCounts(int fd);
};

SerialSystem &posixSerialSystem();

}  // namespace marbolt
