#include "serial/networklink.h"

#include "serial/lineconfig.h"

#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace marbolt {

namespace {

// Input the link holds before it stops reading the socket: the server and
// the network then hold the rest, and the port's throttle has long sent
// XOFF.
constexpr std::size_t kInputLimit = 64 * 1024;
// A close waits this long for the last bytes to leave and for the server
// to end its side, so nothing sent is lost in a reset.
constexpr std::chrono::milliseconds kCloseGrace{1000};

int millisecondsLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

// A server that vanishes without a word (a cable pulled, a server powered
// off) is noticed within seconds, not after the system's two hours.
void tuneSocket(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    const int idle = 5, interval = 2, probes = 3;
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    const unsigned userTimeoutMs = 10000;
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs, sizeof userTimeoutMs);
}

std::optional<ComPortSettings> comPortSettingsOf(const termios &t)
{
    ComPortSettings s;
    const auto bps = bitsPerSecondOf(cfgetospeed(&t));
    if (!bps)
        return std::nullopt;
    s.baud = static_cast<std::uint32_t>(*bps);
    switch (t.c_cflag & CSIZE) {
    case CS5: s.dataSize = 5; break;
    case CS6: s.dataSize = 6; break;
    case CS7: s.dataSize = 7; break;
    default: s.dataSize = 8; break;
    }
    using telnet::ParityCode;
    if (!(t.c_cflag & PARENB))
        s.parity = ParityCode::None;
    else if (t.c_cflag & CMSPAR)
        s.parity = (t.c_cflag & PARODD) ? ParityCode::Mark : ParityCode::Space;
    else
        s.parity = (t.c_cflag & PARODD) ? ParityCode::Odd : ParityCode::Even;
    s.stopSize = (t.c_cflag & CSTOPB) ? telnet::StopSizeCode::Two : telnet::StopSizeCode::One;
    return s;
}

}  // namespace

namespace {

// The ends of connections: what was still queued goes out, the server is
// told the end and given the time to take everything before the socket
// goes, so nothing sent is lost in a reset. That takes up to a second
// when the server is slow to answer, so it runs on a thread of its own;
// the next connection to the same server waits for it first (on the
// thread that makes that connection), and the program waits for all of
// them as it ends.
class LingeringCloses {
public:
    ~LingeringCloses()
    {
        std::vector<Close> all;
        {
            std::lock_guard lock(mutex_);
            all.swap(closes_);
        }
        for (Close &c : all)
            c.thread.join();
    }

    void start(std::string server, int fd, std::string pending, bool gone)
    {
        std::lock_guard lock(mutex_);
        reapLocked();
        auto done = std::make_shared<std::atomic<bool>>(false);
        closes_.push_back({std::move(server), std::thread([fd, pending = std::move(pending), gone, done] {
                               finish(fd, pending, gone);
                               *done = true;
                           }),
                           done});
    }

    // Waits until every close of server that was started has ended.
    void waitFor(const std::string &server)
    {
        std::vector<Close> mine;
        {
            std::lock_guard lock(mutex_);
            for (auto it = closes_.begin(); it != closes_.end();) {
                if (it->server == server) {
                    mine.push_back(std::move(*it));
                    it = closes_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        for (Close &c : mine)
            c.thread.join();
    }

private:
    struct Close {
        std::string server;
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void reapLocked()
    {
        for (auto it = closes_.begin(); it != closes_.end();) {
            if (*it->done) {
                it->thread.join();
                it = closes_.erase(it);
            } else {
                ++it;
            }
        }
    }

    static void finish(int fd, const std::string &pending, bool gone)
    {
        const auto deadline = std::chrono::steady_clock::now() + kCloseGrace;
        std::size_t sent = 0;
        while (!gone && sent < pending.size() && std::chrono::steady_clock::now() < deadline) {
            const ssize_t n = ::send(fd, pending.data() + sent, pending.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, millisecondsLeft(deadline));
        }
        ::shutdown(fd, SHUT_WR);
        char discard[512];
        while (!gone && std::chrono::steady_clock::now() < deadline) {
            const ssize_t n = ::recv(fd, discard, sizeof discard, MSG_DONTWAIT);
            if (n == 0)
                break;
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            if (n < 0 && errno == EAGAIN) {
                pollfd p{fd, POLLIN, 0};
                ::poll(&p, 1, millisecondsLeft(deadline));
            }
        }
        ::close(fd);
    }

    std::mutex mutex_;
    std::vector<Close> closes_;
};

LingeringCloses &lingeringCloses()
{
    static LingeringCloses closes;
    return closes;
}

}  // namespace

NetworkLink::NetworkLink(NetworkAddress address) : address_(std::move(address))
{
    cfmakeraw(&attributes_);
    cfsetispeed(&attributes_, B9600);
    cfsetospeed(&attributes_, B9600);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

NetworkLink::~NetworkLink()
{
    if (socket_ >= 0)
        ::close(socket_);
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void NetworkLink::abort()
{
    aborted_ = true;
    wakePollers();
}

void NetworkLink::wakePollers()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

int NetworkLink::connectSocket()
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const std::string service = std::to_string(address_.port);
    if (::getaddrinfo(address_.host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        errno = EHOSTUNREACH;
        return -1;
    }
    const auto deadline = Clock::now() + kConnectTimeout;
    int result = -1;
    int lastError = ECONNREFUSED;
    for (addrinfo *a = found; a && result < 0 && !aborted_; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        int error = 0;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                // The wake-up descriptor lets abort() end the wait.
                pollfd p[2] = {{fd, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
                int r;
                do
                    r = ::poll(p, 2, millisecondsLeft(deadline));
                while (r < 0 && errno == EINTR && !aborted_);
                socklen_t length = sizeof error;
                if (aborted_)
                    error = ECANCELED;
                else if (r <= 0)
                    error = ETIMEDOUT;
                else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                    error = errno;
            }
        }
        if (error == 0) {
            result = fd;
        } else {
            lastError = error;
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    if (aborted_ && result >= 0) {
        ::close(result);
        result = -1;
    }
    if (result < 0)
        errno = aborted_ ? ECANCELED : lastError;
    return result;
}

int NetworkLink::openDevice(const char *)
{
    // A server that takes one connection a port must have seen the last
    // one end first.
    lingeringCloses().waitFor(serverKey());
    const int fd = connectSocket();
    if (fd < 0)
        return -1;
    tuneSocket(fd);
    {
        std::lock_guard lock(mutex_);
        socket_ = fd;
        gone_ = false;
        input_.clear();
        inputHead_ = 0;
        output_.clear();
        if (telnet()) {
            output_ = codec_.greeting();
            flushLocked();
        }
    }
    if (telnet()) {
        // The server must speak the COM port option and binary: without
        // them the program could not set the line, or CR and 0xFF would
        // not pass unchanged.
        const bool answered = waitUntil([this] { return codec_.comPortAccepted() || codec_.refused(); },
                                        Clock::now() + kAnswerTimeout);
        int error = 0;
        {
            std::lock_guard lock(mutex_);
            if (codec_.refused())
                error = EPROTONOSUPPORT;
            else if (!answered && aborted_)
                error = ECANCELED;
            else if (!answered)
                error = gone_ ? goneErrno_ : ETIMEDOUT;
            if (error != 0) {
                ::close(socket_);
                socket_ = -1;
            }
        }
        if (error != 0) {
            errno = error;
            return -1;
        }
    }
    return fd;
}

std::string NetworkLink::serverKey() const
{
    return address_.host + ':' + std::to_string(address_.port);
}

int NetworkLink::closeDevice(int)
{
    int fd;
    std::string pending;
    bool gone;
    {
        std::lock_guard lock(mutex_);
        if (socket_ < 0) {
            errno = EBADF;
            return -1;
        }
        // Wire bytes the socket has not taken yet, whole escapes included.
        flushLocked();
        fd = socket_;
        socket_ = -1;
        pending.swap(output_);
        gone = gone_;
    }
    wakePollers();
    lingeringCloses().start(serverKey(), fd, std::move(pending), gone);
    return 0;
}

int NetworkLink::takeExclusive(int)
{
    // The server decides who may connect (ser2net takes one user a port).
    return 0;
}

void NetworkLink::releaseExclusive(int) {}

int NetworkLink::getAttributes(int, termios &t)
{
    std::lock_guard lock(mutex_);
    t = attributes_;
    return 0;
}

int NetworkLink::applyLine(const ComPortSettings &settings)
{
    {
        std::lock_guard lock(mutex_);
        codec_.reportedBaud.reset();
        codec_.reportedDataSize.reset();
        codec_.reportedParity.reset();
        codec_.reportedStopSize.reset();
        if (!sendLocked(TelnetCodec::comPortSetup(settings))) {
            errno = goneErrno_;
            return -1;
        }
    }
    const bool answered = waitUntil([this] { return codec_.allReported(); }, Clock::now() + kAnswerTimeout);
    std::lock_guard lock(mutex_);
    if (!answered) {
        errno = aborted_ ? ECANCELED : gone_ ? goneErrno_ : ETIMEDOUT;
        return -1;
    }
    // A server that could not take a setting reports the one it kept: a
    // program at the wrong speed would arrive as garbage.
    if (!codec_.matches(settings)) {
        errno = EINVAL;
        return -1;
    }
    applied_ = settings;
    return 0;
}

bool NetworkLink::alreadyApplied(const ComPortSettings &settings)
{
    std::lock_guard lock(mutex_);
    return applied_ == settings && !gone_;
}

int NetworkLink::setAttributes(int, const termios &t)
{
    {
        std::lock_guard lock(mutex_);
        attributes_ = t;
    }
    if (!telnet())
        return 0;
    const auto settings = comPortSettingsOf(t);
    if (!settings)
        return 0;  // a speed outside the table follows through setCustomSpeed
    if (alreadyApplied(*settings))
        return 0;  // set while the connection was made
    return applyLine(*settings);
}

int NetworkLink::setCustomSpeed(int, int bps)
{
    if (!telnet())
        return 0;
    termios t;
    {
        std::lock_guard lock(mutex_);
        t = attributes_;
    }
    // The attributes carry no code for this speed; the rest of them stand.
    if (!bitsPerSecondOf(cfgetospeed(&t)))
        cfsetospeed(&t, B9600);
    auto settings = *comPortSettingsOf(t);
    settings.baud = static_cast<std::uint32_t>(bps);
    if (alreadyApplied(settings))
        return 0;
    return applyLine(settings);
}

void NetworkLink::pumpLocked()
{
    if (socket_ < 0 || gone_)
        return;
    std::uint8_t buffer[4096];
    std::string replies;
    const std::size_t before = input_.size() - inputHead_;
    const bool wasSuspended = codec_.suspended();
    while (input_.size() - inputHead_ < kInputLimit) {
        const ssize_t n = ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            if (inputHead_ > 0 && inputHead_ == input_.size()) {
                input_.clear();
                inputHead_ = 0;
            }
            if (telnet())
                codec_.feed(buffer, static_cast<std::size_t>(n), input_, replies);
            else
                input_.append(reinterpret_cast<const char *>(buffer), static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The server closed the connection (0) or it broke.
        gone_ = true;
        goneErrno_ = n == 0 ? EIO : errno;
        break;
    }
    if (!replies.empty()) {
        output_ += replies;
        flushLocked();
    }
    if (input_.size() - inputHead_ != before || gone_ || codec_.suspended() != wasSuspended)
        wakePollers();
}

bool NetworkLink::flushLocked()
{
    while (!output_.empty() && !gone_) {
        const ssize_t n = ::send(socket_, output_.data(), output_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            output_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        gone_ = true;
        goneErrno_ = n < 0 ? errno : EIO;
        return false;
    }
    return !gone_;
}

bool NetworkLink::sendLocked(const std::string &wire)
{
    if (gone_ || socket_ < 0)
        return false;
    output_ += wire;
    return flushLocked();
}

template <typename Done>
bool NetworkLink::waitUntil(Done done, Clock::time_point deadline)
{
    for (;;) {
        int fd;
        {
            std::lock_guard lock(mutex_);
            pumpLocked();
            if (done())
                return true;
            if (gone_ || socket_ < 0 || Clock::now() >= deadline || aborted_)
                return false;
            fd = socket_;
        }
        pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        ::poll(p, 2, millisecondsLeft(deadline));
    }
}

ssize_t NetworkLink::readSome(int, void *buffer, size_t count)
{
    std::lock_guard lock(mutex_);
    pumpLocked();
    const std::size_t waiting = input_.size() - inputHead_;
    if (waiting == 0) {
        errno = gone_ ? goneErrno_ : EAGAIN;
        if (socket_ < 0)
            errno = EBADF;
        return -1;
    }
    const std::size_t n = std::min(count, waiting);
    std::memcpy(buffer, input_.data() + inputHead_, n);
    inputHead_ += n;
    if (inputHead_ == input_.size()) {
        input_.clear();
        inputHead_ = 0;
    }
    return static_cast<ssize_t>(n);
}

ssize_t NetworkLink::writeSome(int, const void *buffer, size_t count)
{
    std::lock_guard lock(mutex_);
    if (socket_ < 0) {
        errno = EBADF;
        return -1;
    }
    pumpLocked();
    if (gone_) {
        errno = goneErrno_ == EIO ? EPIPE : goneErrno_;
        return -1;
    }
    // Whole bytes only: a doubled IAC never goes out half.
    if (!flushLocked() || !output_.empty() || codec_.suspended()) {
        errno = gone_ ? goneErrno_ : EAGAIN;
        return -1;
    }
    const auto *bytes = static_cast<const std::uint8_t *>(buffer);
    if (telnet())
        TelnetCodec::escape(bytes, count, output_);
    else
        output_.append(reinterpret_cast<const char *>(bytes), count);
    if (!flushLocked()) {
        errno = goneErrno_;
        return -1;
    }
    return static_cast<ssize_t>(count);
}

int NetworkLink::pollFds(pollfd *fds, nfds_t count, int timeoutMs)
{
    const auto deadline = timeoutMs < 0 ? Clock::time_point::max()
                                        : Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<pollfd> asked(fds, fds + count);
    for (;;) {
        bool inReady = false, outReady = false, hungUp = false, waitsToSend = false, suspended = false;
        int ours = -1;
        {
            std::lock_guard lock(mutex_);
            for (nfds_t i = 0; i < count; ++i)
                if (socket_ >= 0 && asked[i].fd == socket_)
                    ours = static_cast<int>(i);
            if (ours >= 0) {
                pumpLocked();
                flushLocked();
                inReady = input_.size() > inputHead_;
                hungUp = gone_ && !inReady;
                waitsToSend = !output_.empty();
                suspended = codec_.suspended();
                outReady = !gone_ && !waitsToSend && !suspended;
            }
        }
        std::vector<pollfd> real = asked;
        if (ours >= 0)
            real.push_back({wakeFd_, POLLIN, 0});
        bool immediate = false;
        if (ours >= 0) {
            const short wanted = asked[ours].events;
            short events = 0;
            if (wanted & POLLIN) {
                if (inReady)
                    immediate = true;
                else
                    events |= POLLIN;
            }
            if (wanted & POLLOUT) {
                if (outReady)
                    immediate = true;
                else if (waitsToSend)
                    events |= POLLOUT;
                else
                    events |= POLLIN;  // waiting for the server's resume
            }
            if (hungUp)
                immediate = true;
            real[ours].events = events;
        }
        const int wait = immediate ? 0 : (timeoutMs < 0 ? -1 : millisecondsLeft(deadline));
        const int r = ::poll(real.data(), real.size(), wait);
        if (r < 0)
            return r;
        bool woken = false;
        if (ours >= 0 && (real.back().revents & POLLIN)) {
            std::uint64_t drained;
            [[maybe_unused]] auto n = ::read(wakeFd_, &drained, sizeof drained);
            woken = true;
        }
        int ready = 0;
        bool socketWoke = false;
        for (nfds_t i = 0; i < count; ++i) {
            if (static_cast<int>(i) == ours) {
                short revents = 0;
                if (inReady && (asked[i].events & POLLIN))
                    revents |= POLLIN;
                if (outReady && (asked[i].events & POLLOUT))
                    revents |= POLLOUT;
                if (hungUp)
                    revents |= POLLHUP;
                socketWoke = real[i].revents != 0 || woken;
                fds[i].revents = revents;
            } else {
                fds[i].revents = real[i].revents;
            }
            if (fds[i].revents != 0)
                ++ready;
        }
        // The socket woke with nothing yet decided (Telnet commands only,
        // or room to send): look again, within the time left.
        if (ready > 0 || !socketWoke || (timeoutMs >= 0 && Clock::now() >= deadline))
            return ready;
    }
}

int NetworkLink::inputQueue(int)
{
    std::lock_guard lock(mutex_);
    if (socket_ < 0) {
        errno = EBADF;
        return -1;
    }
    pumpLocked();
    return static_cast<int>(input_.size() - inputHead_);
}

std::optional<int> NetworkLink::outputQueue(int)
{
    // What the server and the line still hold cannot be known: the port
    // paces its writes at the line's rate instead.
    return std::nullopt;
}

int NetworkLink::sendFlowChar(int, bool)
{
    // No driver to put it ahead of the output: the port sends it as data.
    errno = ENOTTY;
    return -1;
}

int NetworkLink::flushQueues(int, int queueSelector)
{
    std::lock_guard lock(mutex_);
    if (queueSelector == TCIFLUSH || queueSelector == TCIOFLUSH) {
        pumpLocked();
        input_.clear();
        inputHead_ = 0;
    }
    // Queued output may hold the Telnet answers; it is left to go.
    return 0;
}

int NetworkLink::setModemLines(int, int bits, bool on)
{
    if (!telnet()) {
        errno = ENOTTY;
        return -1;
    }
    std::string wire;
    if (bits & TIOCM_DTR)
        wire += TelnetCodec::setControl(on ? 8 : 9);
    if (bits & TIOCM_RTS)
        wire += TelnetCodec::setControl(on ? 11 : 12);
    std::lock_guard lock(mutex_);
    if (!sendLocked(wire)) {
        errno = goneErrno_;
        return -1;
    }
    return 0;
}

int NetworkLink::getModemLines(int, int &bits)
{
    if (!telnet()) {
        errno = ENOTTY;
        return -1;
    }
    std::lock_guard lock(mutex_);
    pumpLocked();
    const std::uint8_t state = codec_.modemState();
    bits = ((state & 0x10) ? TIOCM_CTS : 0) | ((state & 0x20) ? TIOCM_DSR : 0)
         | ((state & 0x40) ? TIOCM_RNG : 0) | ((state & 0x80) ? TIOCM_CD : 0);
    return 0;
}

std::optional<LineErrorCounts> NetworkLink::lineErrorCounts(int)
{
    if (!telnet())
        return std::nullopt;
    std::lock_guard lock(mutex_);
    pumpLocked();
    return codec_.lineErrors();
}

}  // namespace marbolt
