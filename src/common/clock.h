#pragma once
// The clock of the transfers: the local time for the send log and the
// length of the transfers' timers. Tests put a clock of their own in.
#include <QDateTime>

namespace marbolt {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const;
    // How long a transfer's timer asked for milliseconds runs: as asked.
    // Tests shorten it, and look at the transfer where it waits.
    virtual int timerLength(int milliseconds) { return milliseconds; }
};

Clock &systemClock();

}  // namespace marbolt
