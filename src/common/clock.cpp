#include "common/clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace marbolt {

QDateTime Clock::now() const
{
    return QDateTime::currentDateTime();
}

void Clock::sleep(int milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void Clock::pass(int milliseconds, const std::function<void()> &keepAlive)
{
    if (milliseconds <= 0)
        return;
    // Slices short enough that a repaint or a key is never held back
    // noticeably, long enough that waiting costs nothing.
    constexpr auto kSlice = std::chrono::milliseconds(10);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        keepAlive();
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kSlice));
    }
}

Clock &systemClock()
{
    static Clock clock;
    return clock;
}

}  // namespace marbolt
