#pragma once
// The clock of the transfers: the local time for the send log and the
// sleeps of the transfer loops. Tests put a clock of their own in.
#include <QDateTime>

namespace marbolt {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const;
    // Sleeps on the calling thread without handling events.
    virtual void sleep(int milliseconds);
};

Clock &systemClock();

}  // namespace marbolt
