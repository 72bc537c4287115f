#include "serial/inputthrottle.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

namespace marbolt {

InputThrottle::InputThrottle(int fd, SerialSystem &system, std::function<bool()> check,
                             std::chrono::milliseconds tick)
    : fd_(fd), system_(system), check_(std::move(check)),
      tickMs_(static_cast<int>(std::max<std::chrono::milliseconds::rep>(1, tick.count())))
{
}

InputThrottle::~InputThrottle()
{
    Stop();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

bool InputThrottle::Start()
{
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0)
        return false;
    thread_ = std::thread(&InputThrottle::run, this);
    return true;
}

void InputThrottle::Stop()
{
    if (!thread_.joinable())
        return;
    stop_.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
}

void InputThrottle::run()
{
    bool gone = false;
    bool held = check_();
    while (!stop_.load()) {
        // An empty queue: sleep until a byte comes. Bytes waiting, or the
        // input held: look again every tick, since a readable port would
        // wake the poll at once and keep waking it.
        const bool idle = !held && system_.inputQueue(fd_) <= 0;
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {fd_, static_cast<short>(idle && !gone ? POLLIN : 0), 0}};
        const int timeout = idle ? -1 : tickMs_;
        const int r = system_.pollFds(fds, gone ? 1 : 2, gone && idle ? -1 : timeout);
        if (r < 0)
            continue;  // interrupted; the loop looks again
        if (fds[0].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] auto n = ::read(wakeFd_, &count, sizeof count);
            continue;
        }
        // A device that went away: only the owner's Close ends the wait now.
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            gone = true;
        held = check_();
    }
}

}  // namespace marbolt
