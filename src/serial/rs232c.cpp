#include "serial/rs232c.h"

#include "serial/comthd.h"
#include "serial/inputthrottle.h"
#include "serial/netaddress.h"
#include "serial/networklink.h"

#include <QRegularExpression>

#include <errno.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <thread>

namespace marbolt {

std::uint32_t lineErrorBits(const LineErrorCounts &now, const LineErrorCounts &before)
{
    std::uint32_t bits = 0;
    if (now.bufferOverrun != before.bufferOverrun)
        bits |= CE_RXOVER;
    if (now.overrun != before.overrun)
        bits |= CE_OVERRUN;
    if (now.parity != before.parity)
        bits |= CE_RXPARITY;
    if (now.frame != before.frame)
        bits |= CE_FRAME;
    if (now.brk != before.brk)
        bits |= CE_BREAK;
    return bits;
}

namespace {

int millisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

}  // namespace

std::string devicePathFor(const QString &portname)
{
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]{0,2})$"));
    const auto match = com.match(portname);
    if (match.hasMatch())
        return "/dev/ttyS" + std::to_string(match.captured(1).toInt() - 1);
    return portname.toStdString();
}

Trs232c::Trs232c(const LineSettings &settings, SerialSystem &system, const PortEvent &onCreate)
    : LineSettings(settings), OnCreate(onCreate), local_(system)
{
    if (OnCreate)
        OnCreate(*this);
}

Trs232c::~Trs232c()
{
    Close();
    reapRetiredWatcher();
}

void Trs232c::reapRetiredWatcher()
{
    if (retired_ && !retired_->Dispatching()) {
        retired_->WaitFor();
        retired_.reset();
        retiredLink_.reset();
    }
}

void Trs232c::useLocalSystem()
{
    link_.reset();
    system_ = &local_;
}

bool Trs232c::chooseSystem()
{
    useLocalSystem();
    if (!namesNetworkPort(portname))
        return true;
    const auto address = networkAddressOf(portname);
    if (!address) {
        lastErrno_ = EINVAL;
        return false;
    }
    link_ = std::make_shared<NetworkLink>(*address);
    system_ = link_.get();
    return true;
}

std::uint32_t Trs232c::computeEventMask() const
{
    std::uint32_t mask = 0;
    if (OnBREAK) mask |= EV_BREAK;
    if (OnCTS) mask |= EV_CTS;
    if (OnDSR) mask |= EV_DSR;
    if (OnERR) mask |= EV_ERR;
    if (OnRING) mask |= EV_RING;
    if (OnRLSD) mask |= EV_RLSD;
    if (OnRXCHAR) mask |= EV_RXCHAR;
    if (OnPACKET) mask |= EV_RXCHAR;
    if (OnRXFLAG) mask |= EV_RXFLAG;
    if (OnTXEMPTY) mask |= EV_TXEMPTY;
    return mask;
}

bool Trs232c::Open()
{
    if (opened_)
        return false;
    openAborted_ = false;
    reapRetiredWatcher();
    if (!chooseSystem())
        return false;
    const std::string path = devicePathFor(portname);
    fd_ = system_->openDevice(path.c_str());
    if (fd_ < 0) {
        lastErrno_ = errno;
        return false;
    }
    return finishOpen();
}

bool Trs232c::OpenWaits() const
{
    return namesNetworkPort(portname);
}

bool Trs232c::keepsBacklog() const
{
    return namesNetworkPort(portname);
}

bool Trs232c::Open(const OpenWait &wait)
{
    if (opened_)
        return false;
    if (!OpenWaits() || !wait.keepAlive)
        return Open();
    openAborted_ = false;
    reapRetiredWatcher();
    if (!chooseSystem())
        return false;
    // The line settings the server is to take, worked out here from the
    // link's own; the Open below applies them again, which the link then
    // finds already in place.
    termios current{};
    link_->getAttributes(-1, current);
    const auto config = lineConfigFor(*this, current);
    if (!config) {
        lastErrno_ = EINVAL;
        useLocalSystem();
        return false;
    }
    struct Connection {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        int fd = -1;
        int error = 0;
    };
    auto connection = std::make_shared<Connection>();
    std::thread making([link = link_, connection, attributes = config->attributes, custom = config->customSpeed] {
        int fd = link->openDevice("");
        int error = fd < 0 ? errno : 0;
        if (fd >= 0 && (link->setAttributes(fd, attributes) != 0 || (custom && link->setCustomSpeed(fd, *custom) != 0))) {
            error = errno;
            fd = -1;  // the link closes its socket when it goes
        }
        std::lock_guard lock(connection->mutex);
        connection->fd = fd;
        connection->error = error;
        connection->finished = true;
        connection->done.notify_one();
    });
    for (;;) {
        wait.keepAlive();
        {
            std::unique_lock lock(connection->mutex);
            if (connection->done.wait_for(lock, std::chrono::milliseconds(10), [&] { return connection->finished; }))
                break;
        }
        if (wait.cancelled && wait.cancelled()) {
            // A name look-up cannot be interrupted: the thread ends on
            // its own, keeping the link that long.
            link_->abort();
            making.detach();
            useLocalSystem();
            lastErrno_ = ECANCELED;
            openAborted_ = true;
            return false;
        }
    }
    making.join();
    if (connection->fd < 0) {
        lastErrno_ = connection->error;
        useLocalSystem();
        return false;
    }
    fd_ = connection->fd;
    return finishOpen();
}

bool Trs232c::finishOpen()
{
    if (system_->takeExclusive(fd_) != 0) {
        // Busy: another program, or the other port object, holds it.
        lastErrno_ = errno;
        system_->closeDevice(fd_);
        fd_ = -1;
        return false;
    }

    termios current{};
    if (system_->getAttributes(fd_, current) != 0) {
        lastErrno_ = errno;
        failOpen();
        return false;
    }
    const auto config = lineConfigFor(*this, current);
    if (!config) {
        lastErrno_ = EINVAL;
        failOpen();
        return false;
    }
    if (system_->setAttributes(fd_, config->attributes) != 0
        || (config->customSpeed && system_->setCustomSpeed(fd_, *config->customSpeed) != 0)) {
        lastErrno_ = errno;
        failOpen();
        return false;
    }
    // A pseudo-terminal or a network port has no modem lines; that is no
    // reason to refuse it.
    if (config->raiseLines)
        system_->setModemLines(fd_, config->raiseLines, true);
    if (config->lowerLines)
        system_->setModemLines(fd_, config->lowerLines, false);

    dropNul_ = config->dropNul;
    abortOnError_ = config->abortOnError;
    rxTimeoutMs_ = rxtimeout;
    txTimeoutMs_ = txtimeout;
    readIntervalMs_ = readinterval;
    const double bitsPerSecond = static_cast<double>(bps);
    characterTime_ = std::chrono::nanoseconds(
        static_cast<std::int64_t>(bitsPerCharacter(config->attributes) * 1e9 / bitsPerSecond));
    hasOutputCount_ = system_->outputQueue(fd_).has_value();
    clearedCounts_ = system_->lineErrorCounts(fd_);
    lineFree_ = Clock::now();
    overslept_ = Clock::duration::zero();
    writes_.store(0, std::memory_order_relaxed);
    readHead_ = readTail_ = 0;
    inputLimits_ = config->inputLimits;
    inputHeld_ = false;
    inputRecord_ = {};
    stopChar_ = XoffChar != 0 ? XoffChar : config->attributes.c_cc[VSTOP];
    startChar_ = XonChar != 0 ? XonChar : config->attributes.c_cc[VSTART];

    eventMask_ = computeEventMask();
    system_->flushQueues(fd_, TCIOFLUSH);
    if (eventMask_ != 0) {
        watcher_ = std::make_unique<tcommthread>(*this, fd_, *system_, eventMask_);
        if (!watcher_->Start()) {
            lastErrno_ = errno;
            watcher_.reset();
            failOpen();
            return false;
        }
    }
    if (inputLimits_) {
        // Looked at every 16 character times, at most every 20 ms: at
        // 19200 bit/s some 16 bytes arrive between two looks.
        const auto tick = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(characterTime_ * 16),
                                     std::chrono::milliseconds(2), std::chrono::milliseconds(20));
        throttle_ = std::make_unique<InputThrottle>(fd_, *system_, [this] { return throttleInput(); }, tick);
        if (!throttle_->Start()) {
            lastErrno_ = errno;
            throttle_.reset();
            if (watcher_) {
                watcher_->Terminate();
                watcher_->WaitFor();
                watcher_.reset();
            }
            failOpen();
            return false;
        }
    }
    opened_ = true;
    if (OnOpen)
        OnOpen(*this);
    return true;
}

void Trs232c::failOpen()
{
    system_->releaseExclusive(fd_);
    system_->closeDevice(fd_);
    fd_ = -1;
}

bool Trs232c::Close()
{
    if (!opened_)
        return false;
    if (throttle_) {
        throttle_->Stop();
        throttle_.reset();
    }
    if (watcher_ && watcher_->Dispatching()) {
        // Called from one of the watcher's own handlers.
        watcher_->Abandon();
        retired_ = std::move(watcher_);
    } else if (watcher_) {
        watcher_->Terminate();
        watcher_->WaitFor();
        watcher_.reset();
    }
    opened_ = false;
    if (OnClose)
        OnClose(*this);
    system_->releaseExclusive(fd_);
    const bool closed = system_->closeDevice(fd_) == 0;
    if (!closed)
        lastErrno_ = errno;
    {
        std::lock_guard lock(inputMutex_);
        fd_ = -1;
        readHead_ = readTail_ = 0;
    }
    // A watcher left running from its own handler may still look at the
    // link until it ends.
    if (retired_ && link_)
        retiredLink_ = std::move(link_);
    useLocalSystem();
    return closed;
}

std::optional<int> Trs232c::Handle() const
{
    if (!opened_)
        return std::nullopt;
    return fd_;
}

bool Trs232c::errorPending()
{
    if (!abortOnError_ || !clearedCounts_)
        return false;
    const auto now = system_->lineErrorCounts(fd_);
    return now && lineErrorBits(*now, *clearedCounts_) != 0;
}

std::optional<CommStatus> Trs232c::ClearCommError()
{
    if (!opened_)
        return std::nullopt;
    CommStatus status;
    if (clearedCounts_) {
        if (const auto now = system_->lineErrorCounts(fd_)) {
            status.errors = lineErrorBits(*now, *clearedCounts_);
            clearedCounts_ = now;
        }
    }
    fillReadAhead();
    const int kernel = system_->inputQueue(fd_);
    status.inQueue = heldBytes() + std::max(0, kernel);
    throttleInput();
    return status;
}

int Trs232c::RxCount()
{
    const auto status = ClearCommError();
    return status ? status->inQueue : -1;
}

Trs232c::Fill Trs232c::fillReadAhead()
{
    // The bytes move from the driver's count to the held count under the
    // lock, so the throttle never sees them in neither.
    std::lock_guard lock(inputMutex_);
    if (readHead_ == readTail_)
        readHead_ = readTail_ = 0;
    if (readHead_ > 0 && readTail_ == static_cast<int>(readAhead_.size())) {
        std::memmove(readAhead_.data(), readAhead_.data() + readHead_, readTail_ - readHead_);
        readTail_ -= readHead_;
        readHead_ = 0;
    }
    Fill result = Fill::Empty;
    while (readTail_ < static_cast<int>(readAhead_.size())) {
        const ssize_t n = system_->readSome(fd_, readAhead_.data() + readTail_,
                                           readAhead_.size() - readTail_);
        if (n > 0) {
            std::uint8_t *first = readAhead_.data() + readTail_;
            std::uint8_t *last = first + n;
            if (dropNul_)
                last = std::remove(first, last, std::uint8_t{0});
            readTail_ += static_cast<int>(last - first);
            result = Fill::Got;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // A raw tty with VMIN and VTIME 0 reads 0 bytes when none wait.
        if (n == 0 || errno == EAGAIN)
            break;
        // A device that went away, or the far end of a pseudo-terminal
        // that hung up (EIO).
        lastErrno_ = errno;
        if (result == Fill::Empty)
            result = Fill::Gone;
        break;
    }
    return result;
}

int Trs232c::takeReadAhead(std::uint8_t *buffer, int count)
{
    std::lock_guard lock(inputMutex_);
    const int n = std::min(count, readTail_ - readHead_);
    std::memcpy(buffer, readAhead_.data() + readHead_, n);
    readHead_ += n;
    return n;
}

Trs232c::Wait Trs232c::waitReadable(Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        const int r = system_->pollFds(&p, 1, millisecondsUntil(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            lastErrno_ = errno;
            return Wait::Gone;
        }
        if (r == 0)
            return Wait::TimedOut;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            lastErrno_ = EIO;
            return Wait::Gone;
        }
        return Wait::Ready;
    }
}

bool Trs232c::Read(std::uint8_t *buffer, int count)
{
    if (!opened_)
        return false;
    if (errorPending())
        return false;
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(rxTimeoutMs_);
    int got = takeReadAhead(buffer, count);
    while (got < count) {
        const Fill fill = fillReadAhead();
        if (fill == Fill::Got) {
            got += takeReadAhead(buffer + got, count - got);
            continue;
        }
        if (fill == Fill::Gone)
            return false;  // no use waiting for the time-out
        auto until = deadline;
        if (readIntervalMs_ > 0 && got > 0)
            until = std::min(until, Clock::now() + std::chrono::milliseconds(readIntervalMs_));
        if (Clock::now() >= deadline)
            return false;
        const Wait wait = waitReadable(until);
        if (wait == Wait::TimedOut)
            return false;
        if (wait == Wait::Gone) {
            // A hung-up line may still hold bytes that came before.
            if (fillReadAhead() != Fill::Got)
                return false;
        }
    }
    // The machine goes on as soon as the backlog has drained, not only at
    // the next count.
    if (inputLimits_ && inputHeld_)
        throttleInput();
    return true;
}

bool Trs232c::throttleInput()
{
    std::lock_guard lock(inputMutex_);
    if (!inputLimits_ || fd_ < 0)
        return false;
    const int backlog = std::max(0, system_->inputQueue(fd_)) + heldBytes();
    inputRecord_.peakBacklog = std::max(inputRecord_.peakBacklog, backlog);
    auto send = [&](bool stop) {
        // Ahead of any output waiting; a port that has no such call (a
        // network port) gets the character as plain data.
        if (system_->sendFlowChar(fd_, stop) != 0) {
            const std::uint8_t c = stop ? stopChar_ : startChar_;
            if (system_->writeSome(fd_, &c, 1) != 1)
                return false;
        }
        return true;
    };
    if (!inputHeld_ && backlog > inputLimits_->stopAbove) {
        if (send(true)) {
            inputHeld_ = true;
            ++inputRecord_.stops;
            inputRecord_.largestBacklogAtStop = std::max(inputRecord_.largestBacklogAtStop, backlog);
        }
    } else if (inputHeld_ && backlog < inputLimits_->resumeBelow) {
        if (send(false)) {
            inputHeld_ = false;
            ++inputRecord_.resumes;
        }
    }
    return inputHeld_;
}

Trs232c::InputFlowRecord Trs232c::inputFlowRecord() const
{
    std::lock_guard lock(inputMutex_);
    return inputRecord_;
}

bool Trs232c::waitWritable(Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd_, POLLOUT, 0};
        const int r = system_->pollFds(&p, 1, millisecondsUntil(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        if (p.revents & POLLOUT)
            return true;
        lastErrno_ = EIO;
        return false;
    }
}

bool Trs232c::waitUntilSent(Clock::time_point deadline)
{
    // A real UART: wait until the driver's queue is empty, sleeping about
    // as long as the queued characters take on the line.
    for (;;) {
        const auto queued = system_->outputQueue(fd_);
        if (!queued) {
            lastErrno_ = errno;
            return false;
        }
        if (*queued == 0)
            return true;
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        auto nap = std::min<Clock::duration>(characterTime_ * *queued, deadline - now);
        std::this_thread::sleep_for(std::max<Clock::duration>(nap, std::chrono::microseconds(50)));
    }
}

bool Trs232c::waitForLine(int count, Clock::time_point deadline)
{
    // A pseudo-terminal or a network port gives no queue count, so the
    // line is modelled as a UART without a FIFO: a byte goes out when the
    // previous one has gone, one character time after it. Back-to-back
    // writes run at the full rate, and a DC3 the machine sends is seen
    // within a character or two. The time the last sleep overran its
    // deadline is not held against the line: the caller came late because
    // of it, not because the line was idle.
    const auto now = Clock::now();
    const auto start = std::max(now - overslept_, lineFree_);
    if (start > deadline) {
        std::this_thread::sleep_until(deadline);
        return false;
    }
    std::this_thread::sleep_until(start);
    lineFree_ = start + characterTime_ * count;
    overslept_ = std::clamp<Clock::duration>(Clock::now() - start, Clock::duration::zero(),
                                             characterTime_);
    return true;
}

bool Trs232c::Write(const std::uint8_t *buffer, int count)
{
    if (!opened_)
        return false;
    if (errorPending())
        return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(txTimeoutMs_);
    if (!hasOutputCount_ && !waitForLine(count, deadline))
        return false;
    int sent = 0;
    while (sent < count) {
        const ssize_t n = system_->writeSome(fd_, buffer + sent, count - sent);
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            if (!waitWritable(deadline))
                return false;
            continue;
        }
        lastErrno_ = n < 0 ? errno : EIO;
        return false;
    }
    writes_.fetch_add(1, std::memory_order_relaxed);
    return !hasOutputCount_ || waitUntilSent(deadline);
}

Trs232c::InputWait Trs232c::WaitForInput(int ms)
{
    if (!opened_)
        return InputWait::Gone;
    if (readHead_ != readTail_)
        return InputWait::Waiting;
    switch (waitReadable(Clock::now() + std::chrono::milliseconds(ms))) {
    case Wait::Ready:
        return InputWait::Waiting;
    case Wait::TimedOut:
        return InputWait::TimedOut;
    case Wait::Gone:
        break;
    }
    return fillReadAhead() == Fill::Got ? InputWait::Waiting : InputWait::Gone;
}

bool Trs232c::ReadByte(std::uint8_t &b)
{
    if (!Read(&byte_, 1))
        return false;
    b = byte_;
    return true;
}

bool Trs232c::WriteByte(std::uint8_t b)
{
    byte_ = b;
    return Write(&byte_, 1);
}

bool Trs232c::SetRts(bool on)
{
    if (!opened_)
        return false;
    if (system_->setModemLines(fd_, TIOCM_RTS, on) != 0) {
        lastErrno_ = errno;
        return false;
    }
    return true;
}

}  // namespace marbolt
