#include "virtualmachine.h"

#include <bit>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace marbolt::vm {

std::string longProgramText(std::size_t bytes)
{
    std::string program = "O7000(ROUGH)\n";
    while (program.size() < bytes)
        program += "G01X" + std::to_string(program.size()) + ".Y-12.5F300\n";
    return program + "M30\n";
}

double lineBytesPerSecond(int bps, int stopBits)
{
    return bps / static_cast<double>(1 + 8 + stopBits);
}

std::vector<std::uint8_t> punchTape(std::string_view text, PunchCode code, int leader, bool dc4,
                                    std::uint8_t leaderByte)
{
    std::vector<std::uint8_t> tape(static_cast<std::size_t>(std::max(0, leader)), leaderByte);
    auto put = [&](std::uint8_t c) { tape.push_back(encodeFor(code, c)); };
    put('%');
    put('\n');
    for (char ch : text) {
        if (ch != '\r')
            put(static_cast<std::uint8_t>(ch));
    }
    if (!text.empty() && text.back() != '\n')
        put('\n');
    put('%');
    if (dc4)
        tape.push_back(kDC4);  // the same byte under both codes
    return tape;
}

std::unique_ptr<VirtualMachine> VirtualMachine::create(std::string *error)
{
    std::unique_ptr<VirtualMachine> m(new VirtualMachine);
    char name[256] = {};
    if (::openpty(&m->master_, &m->slave_, name, nullptr, nullptr) != 0) {
        if (error)
            *error = std::string("openpty: ") + std::strerror(errno);
        return nullptr;
    }
    m->path_ = name;
    termios raw{};
    ::tcgetattr(m->slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m->slave_, TCSANOW, &raw);
    ::fcntl(m->master_, F_SETFL, ::fcntl(m->master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(m->master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(m->slave_, F_SETFD, FD_CLOEXEC);
    m->wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m->thread_ = std::thread(&VirtualMachine::run, m.get());
    return m;
}

VirtualMachine::~VirtualMachine()
{
    hangUp();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void VirtualMachine::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

void VirtualMachine::hangUp()
{
    {
        std::lock_guard lock(mutex_);
        if (hungUp_)
            return;
        quit_ = true;
        hungUp_ = true;
    }
    wake();
    if (thread_.joinable())
        thread_.join();
    ::close(master_);
    ::close(slave_);
    master_ = slave_ = -1;
    changed_.notify_all();
}

void VirtualMachine::receive(const ReceiveMode &mode)
{
    {
        std::lock_guard lock(mutex_);
        mode_ = Mode::Receive;
        receive_ = mode;
        takenIn_ = 0;
        rejected_.clear();
        modeStart_ = Clock::now();
        startSignalSent_ = false;
        level_ = 0;
        levelAt_ = modeStart_;
        paused_ = false;
    }
    wake();
}

void VirtualMachine::punch(std::vector<std::uint8_t> tape, const PunchMode &mode)
{
    {
        std::lock_guard lock(mutex_);
        mode_ = Mode::Punch;
        punch_ = mode;
        tape_ = std::move(tape);
        tapePos_ = 0;
        punchRunning_ = !mode.waitForDc1;
        overrunLeft_ = -1;
        nextPunch_ = Clock::now();
    }
    wake();
}

void VirtualMachine::sendNow(std::vector<std::uint8_t> bytes)
{
    {
        std::lock_guard lock(mutex_);
        immediate_.insert(immediate_.end(), bytes.begin(), bytes.end());
    }
    wake();
}

std::vector<std::uint8_t> VirtualMachine::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<Arrival> VirtualMachine::arrivals() const
{
    std::lock_guard lock(mutex_);
    return arrivals_;
}

std::vector<Arrival> VirtualMachine::sent() const
{
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<Rejection> VirtualMachine::rejected() const
{
    std::lock_guard lock(mutex_);
    return rejected_;
}

std::vector<int> VirtualMachine::bytesAfterDc3() const
{
    std::lock_guard lock(mutex_);
    return afterDc3_;
}

bool VirtualMachine::punchFinished() const
{
    std::lock_guard lock(mutex_);
    return mode_ == Mode::Punch && tapePos_ == tape_.size() && immediate_.empty();
}

void VirtualMachine::clearReceived()
{
    std::lock_guard lock(mutex_);
    received_.clear();
    arrivals_.clear();
    afterDc3_.clear();
    takenIn_ = 0;
    rejected_.clear();
}

bool VirtualMachine::waitFor(const std::function<bool(const std::vector<std::uint8_t> &)> &pred,
                             std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return pred(received_); });
}

bool VirtualMachine::waitForCount(std::size_t count, std::chrono::milliseconds timeout) const
{
    return waitFor([count](const auto &r) { return r.size() >= count; }, timeout);
}

bool VirtualMachine::waitForPunchFinished(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return mode_ == Mode::Punch && tapePos_ == tape_.size() && immediate_.empty();
    });
}

// Called with the lock held.
void VirtualMachine::writeOut(std::uint8_t b)
{
    immediate_.push_back(b);
}

// Called with the lock held.
namespace {

// What a strict control rejects of a transmission in code.
bool rejects(PunchCode code, std::uint8_t b)
{
    switch (code) {
    case PunchCode::Iso: {
        if (std::popcount(b) % 2 != 0)
            return true;
        const std::uint8_t c = deciso(b);
        const bool allowed = c == 0x00 || c == '\n' || c == '\r' || c == '\t' || (c >= 0x11 && c <= 0x14)
                             || c == 0x7F;
        return c < 0x20 && !allowed;
    }
    case PunchCode::Eia:
        return receia(b) == 0x10 && b != 0x7F;
    case PunchCode::None:
        break;
    }
    return false;
}

}  // namespace

void VirtualMachine::takeIn(const std::uint8_t *bytes, std::size_t n, Clock::time_point at)
{
    // Bytes of one read were all on their way before anything this read
    // makes the control send, so a DC3 decided here counts none of them.
    const bool wasPaused = paused_;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = bytes[i];
        received_.push_back(b);
        arrivals_.push_back({b, at});
        if (mode_ == Mode::Receive) {
            if (rejects(receive_.code, b))
                rejected_.push_back({takenIn_, b});
            ++takenIn_;
            if (wasPaused && !afterDc3_.empty())
                ++afterDc3_.back();
            level_ += 1;
            if (receive_.stopLevel > 0 && !paused_ && level_ >= receive_.stopLevel) {
                writeOut(kDC3);
                paused_ = true;
                afterDc3_.push_back(0);
            }
        } else if (mode_ == Mode::Punch) {
            if (b == kDC1 && (!punchRunning_ || overrunLeft_ >= 0)) {
                if (!punchRunning_)
                    nextPunch_ = at;
                punchRunning_ = true;
                overrunLeft_ = -1;
            } else if (b == kDC3 && punch_.honourDc3 && punchRunning_ && overrunLeft_ < 0) {
                overrunLeft_ = punch_.overrunAfterDc3;
                if (overrunLeft_ == 0) {
                    punchRunning_ = false;
                    overrunLeft_ = -1;
                }
            }
        }
    }
}

// Called with the lock held: what the control consumed since the last look.
void VirtualMachine::drainTo(Clock::time_point now)
{
    const double seconds = std::chrono::duration<double>(now - levelAt_).count();
    level_ = std::max(0.0, level_ - receive_.drainPerSecond * seconds);
    levelAt_ = now;
}

// Called with the lock held.
void VirtualMachine::advance(Clock::time_point now)
{
    if (mode_ == Mode::Receive) {
        if (receive_.sendDc1AtStart && !startSignalSent_
            && now >= modeStart_ + receive_.startDelay) {
            writeOut(kDC1);
            startSignalSent_ = true;
        }
        drainTo(now);
        if (paused_ && level_ <= static_cast<double>(receive_.resumeLevel)) {
            writeOut(kDC1);
            paused_ = false;
        }
    } else if (mode_ == Mode::Punch && punchRunning_ && immediate_.empty()) {
        if (punch_.bytesPerSecond <= 0) {
            while (tapePos_ < tape_.size() && punchRunning_)
                punchOne();
        } else if (tapePos_ < tape_.size() && now >= nextPunch_) {
            punchOne();
            const auto step = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(1.0 / punch_.bytesPerSecond));
            nextPunch_ = std::max(nextPunch_ + step, now - step);
        }
    }
}

// Called with the lock held: one character of the tape, counting down
// what a DC3 still lets out.
void VirtualMachine::punchOne()
{
    writeOut(tape_[tapePos_++]);
    if (overrunLeft_ > 0 && --overrunLeft_ == 0) {
        punchRunning_ = false;
        overrunLeft_ = -1;
    }
}

// Called with the lock held: when the control next has something to do.
Clock::time_point VirtualMachine::nextDue(Clock::time_point now)
{
    Clock::time_point due = Clock::time_point::max();
    if (!immediate_.empty())
        return now;
    if (mode_ == Mode::Receive) {
        if (receive_.sendDc1AtStart && !startSignalSent_)
            due = std::min(due, modeStart_ + receive_.startDelay);
        if (paused_ && receive_.drainPerSecond > 0) {
            const double toDrain = level_ - static_cast<double>(receive_.resumeLevel);
            due = std::min(due, now + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(toDrain / receive_.drainPerSecond)));
        }
    } else if (mode_ == Mode::Punch && punchRunning_ && tapePos_ < tape_.size()) {
        due = std::min(due, std::max(now, nextPunch_));
    }
    return due;
}

void VirtualMachine::run()
{
    std::uint8_t buffer[4096];
    for (;;) {
        timespec timeout{};
        timespec *timeoutPtr = nullptr;
        bool wantWrite = false;
        {
            std::lock_guard lock(mutex_);
            if (quit_)
                return;
            const auto now = Clock::now();
            advance(now);
            // Everything queued goes out now; what the PC does not read
            // waits for the line to take it.
            while (!immediate_.empty()) {
                const std::uint8_t b = immediate_.front();
                const ssize_t w = ::write(master_, &b, 1);
                if (w != 1)
                    break;
                immediate_.pop_front();
                sent_.push_back({b, Clock::now()});
            }
            wantWrite = !immediate_.empty();
            if (!wantWrite) {
                advance(Clock::now());
                if (!immediate_.empty())
                    continue;
            }
            const auto due = nextDue(Clock::now());
            if (due != Clock::time_point::max()) {
                const auto wait = std::max(Clock::duration::zero(), due - Clock::now());
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
                timeout.tv_sec = ns / 1000000000;
                timeout.tv_nsec = ns % 1000000000;
                timeoutPtr = &timeout;
            }
            changed_.notify_all();
        }
        pollfd fds[2] = {{master_, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                         {wakeFd_, POLLIN, 0}};
        const int r = ::ppoll(fds, 2, timeoutPtr, nullptr);
        if (r < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] auto n = ::read(wakeFd_, &count, sizeof count);
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard lock(mutex_);
                const auto now = Clock::now();
                if (mode_ == Mode::Receive)
                    drainTo(now);  // the buffer up to this arrival first
                takeIn(buffer, static_cast<std::size_t>(n), now);
                changed_.notify_all();
            }
        }
    }
}

}  // namespace marbolt::vm
