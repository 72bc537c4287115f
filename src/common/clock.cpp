#include "common/clock.h"

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

Clock &systemClock()
{
    static Clock clock;
    return clock;
}

}  // namespace marbolt
