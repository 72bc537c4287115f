#include "serial/comthd.h"

#include "serial/rs232c.h"

#include <QMetaObject>

#include <errno.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace marbolt {

namespace {

// Events that arrive with received data: a readable port raises them.
constexpr std::uint32_t kInputEvents = EV_RXCHAR | EV_ERR | EV_BREAK;
// Events with no wake-up of their own on Linux: modem lines and the
// output queue are looked at every kCheckMs while they are watched.
constexpr std::uint32_t kCheckedEvents = EV_CTS | EV_DSR | EV_RING | EV_RLSD | EV_TXEMPTY;
constexpr int kCheckMs = 10;
constexpr int kErrorCheckMs = 20;
// Bytes already reported and still not read do not wake the watcher, as
// a readable port would at once: it looks again every kBacklogMs instead
// of spinning.
constexpr int kBacklogMs = 5;

}  // namespace

tcommthread::tcommthread(Trs232c &owner, int handle, SerialSystem &system, std::uint32_t watchMask)
    : owner_(owner), handle_(handle), system_(system), watchMask_(watchMask)
{
}

tcommthread::~tcommthread()
{
    if (thread_.joinable()) {
        Terminate();
        WaitFor();
    }
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

bool tcommthread::Start()
{
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0)
        return false;
    countsSeen_ = system_.lineErrorCounts(handle_);
    system_.getModemLines(handle_, modemSeen_);
    writesSeen_ = owner_.writeCount();
    thread_ = std::thread(&tcommthread::execute, this);
    return true;
}

void tcommthread::Terminate()
{
    terminated_.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

bool tcommthread::Dispatching() const
{
    return dispatching_;
}

void tcommthread::Abandon()
{
    abandoned_ = true;
    Terminate();
}

void tcommthread::WaitFor()
{
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return pending_ || ended_; });
        if (pending_) {
            lock.unlock();
            runPendingDispatch();
            continue;
        }
        break;
    }
    if (thread_.joinable())
        thread_.join();
}

void tcommthread::execute()
{
    while (!terminated_.load()) {
        const std::uint32_t events = waitForEvents();
        if (events != 0 && !terminated_.load()) {
            eventMask_ = events;
            handOver();
            if (!deviceGone_ && !terminated_.load())
                inputSeen_ = std::max(0, system_.inputQueue(handle_));
        }
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

std::uint32_t tcommthread::waitForEvents()
{
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {handle_, 0, 0}};
    int timeoutMs = -1;
    if (!deviceGone_ && (watchMask_ & EV_RXCHAR)) {
        const int waiting = system_.inputQueue(handle_);
        if (waiting > 0 && waiting <= inputSeen_)
            timeoutMs = kBacklogMs;
        else
            fds[1].events = POLLIN;
        inputSeen_ = std::min(inputSeen_, std::max(0, waiting));
    }
    if (!deviceGone_ && (watchMask_ & kCheckedEvents))
        timeoutMs = timeoutMs < 0 ? kCheckMs : std::min(timeoutMs, kCheckMs);
    // Without EV_RXCHAR the watcher does not wake for every byte (a
    // reception would cost a thread switch a byte): the error counters
    // are looked at every kErrorCheckMs. A port without counters has no
    // errors to report, and the watcher only waits for Close.
    if (!deviceGone_ && !(watchMask_ & EV_RXCHAR) && (watchMask_ & (EV_ERR | EV_BREAK)) && countsSeen_)
        timeoutMs = timeoutMs < 0 ? kErrorCheckMs : std::min(timeoutMs, kErrorCheckMs);

    const int r = system_.pollFds(fds, deviceGone_ ? 1 : 2, timeoutMs);
    if (r < 0)
        return 0;  // a failed wait is not reported; the loop waits again
    if (fds[0].revents & POLLIN) {
        std::uint64_t count;
        [[maybe_unused]] auto n = ::read(wakeFd_, &count, sizeof count);
        return 0;
    }
    if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        // The device went away (an adapter pulled, the far end of a
        // pseudo-terminal closed). Wait only for the wake-up from now on;
        // the owner's reads and writes report the failure.
        deviceGone_ = true;
        return 0;
    }
    return lineEvents();
}

std::uint32_t tcommthread::lineEvents()
{
    std::uint32_t events = 0;
    if (countsSeen_) {
        if (const auto now = system_.lineErrorCounts(handle_)) {
            const std::uint32_t bits = lineErrorBits(*now, *countsSeen_);
            if (bits & ~CE_BREAK)
                events |= EV_ERR;
            if (bits & CE_BREAK)
                events |= EV_BREAK;
            countsSeen_ = now;
        }
    }
    if (watchMask_ & kInputEvents) {
        // Bytes that wait are reported, also those that came while the
        // last dispatch ran, after its handler had read: no wake-up of
        // their own is left for them.
        const int waiting = system_.inputQueue(handle_);
        if (waiting > 0)
            events |= EV_RXCHAR;
        inputSeen_ = std::max(0, waiting);
    }
    if (watchMask_ & (EV_CTS | EV_DSR | EV_RING | EV_RLSD)) {
        int lines = 0;
        if (system_.getModemLines(handle_, lines) == 0) {
            const int changed = lines ^ modemSeen_;
            if (changed & TIOCM_CTS) events |= EV_CTS;
            if (changed & TIOCM_DSR) events |= EV_DSR;
            if (changed & TIOCM_RNG) events |= EV_RING;
            if (changed & TIOCM_CD) events |= EV_RLSD;
            modemSeen_ = lines;
        }
    }
    if (watchMask_ & EV_TXEMPTY) {
        const std::uint64_t writes = owner_.writeCount();
        if (writes != writesSeen_) {
            const auto queued = system_.outputQueue(handle_);
            if (!queued || *queued == 0) {
                events |= EV_TXEMPTY;
                writesSeen_ = writes;
            }
        }
    }
    return events & watchMask_;
}

void tcommthread::handOver()
{
    std::unique_lock lock(mutex_);
    pending_ = true;
    QMetaObject::invokeMethod(&uiContext_, [this] { runPendingDispatch(); }, Qt::QueuedConnection);
    changed_.notify_all();  // a Close waiting for the end runs it at once
    changed_.wait(lock, [this] { return !pending_; });
}

void tcommthread::runPendingDispatch()
{
    {
        std::lock_guard lock(mutex_);
        // Already run by Close, or a handler pumping events while its own
        // dispatch is in flight.
        if (!pending_ || dispatching_)
            return;
    }
    dispatching_ = true;
    dispatch();
    dispatching_ = false;
    std::lock_guard lock(mutex_);
    pending_ = false;
    changed_.notify_all();
}

void tcommthread::dispatch()
{
    // A handler that closes the port ends the dispatch: no handler runs
    // after Close.
    Trs232c &o = owner_;
    const std::uint32_t events = eventMask_;
    auto deliver = [&](std::uint32_t bit, const Trs232c::LineEvent &handler) {
        if ((events & bit) && handler && !abandoned_)
            handler(*this);
    };
    deliver(EV_BREAK, o.OnBREAK);
    deliver(EV_CTS, o.OnCTS);
    deliver(EV_DSR, o.OnDSR);
    deliver(EV_ERR, o.OnERR);
    deliver(EV_RING, o.OnRING);
    deliver(EV_RLSD, o.OnRLSD);
    if ((events & EV_RXCHAR) && !abandoned_) {
        receivedCount_ = o.RxCount();
        if (o.OnPACKET && o.packetsize != 0 && receivedCount_ >= o.packetsize) {
            receivedCount_ = 0;
            o.OnPACKET(*this);
        }
        deliver(EV_RXCHAR, o.OnRXCHAR);
    }
    deliver(EV_RXFLAG, o.OnRXFLAG);
    deliver(EV_TXEMPTY, o.OnTXEMPTY);
}

}  // namespace marbolt
