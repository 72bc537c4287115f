#include "common/clock.h"

namespace marbolt {

QDateTime Clock::now() const
{
    return QDateTime::currentDateTime();
}

Clock &systemClock()
{
    static Clock clock;
    return clock;
}

}  // namespace marbolt
