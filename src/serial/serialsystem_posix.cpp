// POSIX serial calls for Linux. The quirks of the platform live here.
#include "serial/serialsystem.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace marbolt {

// Declared here, defined in customspeed_linux.cpp: the kernel's termios2
// header cannot share a translation unit with the C library's <termios.h>.
int setCustomSpeedLinux(int fd, int bps);

int SerialSystem::openDevice(const char *path)
{
    return ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

int SerialSystem::closeDevice(int fd)
{
    return ::close(fd);
}

int SerialSystem::takeExclusive(int fd)
{
    // The lock keeps out every program that locks serial devices as it
    // should (and this program's other port object), also when running as
    // root, where TIOCEXCL does not apply. TIOCEXCL keeps out programs
    // that do not lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return -1;
    if (::ioctl(fd, TIOCEXCL) != 0) {
        int saved = errno;
        ::flock(fd, LOCK_UN);
        errno = saved;
        return -1;
    }
    return 0;
}

void SerialSystem::releaseExclusive(int fd)
{
    // The exclusive mode belongs to the tty, not to this open file: it
    // would outlast the close while any other file holds the device open.
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
}

int SerialSystem::getAttributes(int fd, termios &t)
{
    return ::tcgetattr(fd, &t);
}

namespace {

// Unix98 pseudo-terminal slaves have the major numbers 136 to 143.
bool isPseudoTerminal(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

}  // namespace

int SerialSystem::setAttributes(int fd, const termios &t)
{
    const int r = ::tcsetattr(fd, TCSANOW, &t);
    // A pseudo-terminal has no line and keeps no parity or character size;
    // the kernel applies the rest and the C library then reports EINVAL
    // because those bits read back differently. For a pseudo-terminal that
    // is no failure. A real port that refuses them is.
    if (r != 0 && errno == EINVAL && isPseudoTerminal(fd))
        return 0;
    return r;
}

int SerialSystem::setCustomSpeed(int fd, int bps)
{
    return setCustomSpeedLinux(fd, bps);
}

ssize_t SerialSystem::readSome(int fd, void *buffer, size_t count)
{
    return ::read(fd, buffer, count);
}

ssize_t SerialSystem::writeSome(int fd, const void *buffer, size_t count)
{
    return ::write(fd, buffer, count);
}

int SerialSystem::pollFds(pollfd *fds, nfds_t count, int timeoutMs)
{
    return ::poll(fds, count, timeoutMs);
}

int SerialSystem::inputQueue(int fd)
{
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0)
        return -1;
    return n;
}

int SerialSystem::sendFlowChar(int fd, bool stop)
{
    return ::tcflow(fd, stop ? TCIOFF : TCION);
}

std::optional<int> SerialSystem::outputQueue(int fd)
{
    // Only a serial driver answers TIOCGSERIAL. A pseudo-terminal hands
    // every byte to its peer's input at once and always reports an empty
    // output queue, which says nothing about the line.
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) != 0)
        return std::nullopt;
    int n = 0;
    if (::ioctl(fd, TIOCOUTQ, &n) != 0)
        return std::nullopt;
    return n;
}

int SerialSystem::flushQueues(int fd, int queueSelector)
{
    return ::tcflush(fd, queueSelector);
}

int SerialSystem::setModemLines(int fd, int bits, bool on)
{
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

int SerialSystem::getModemLines(int fd, int &bits)
{
    return ::ioctl(fd, TIOCMGET, &bits);
}

std::optional<LineErrorCounts> SerialSystem::lineErrorCounts(int fd)
{
    serial_icounter_struct c{};
    if (::ioctl(fd, TIOCGICOUNT, &c) != 0)
        return std::nullopt;
    LineErrorCounts counts;
    counts.frame = static_cast<std::uint32_t>(c.frame);
    counts.overrun = static_cast<std::uint32_t>(c.overrun);
    counts.parity = static_cast<std::uint32_t>(c.parity);
    counts.brk = static_cast<std::uint32_t>(c.brk);
    counts.bufferOverrun = static_cast<std::uint32_t>(c.buf_overrun);
    return counts;
}

SerialSystem &posixSerialSystem()
{
    static SerialSystem system;
    return system;
}

}  // namespace marbolt
