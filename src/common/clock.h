#pragma once
// The clock of the transfers: the local time for the send log and the
// sleeps of the transfer loops. Tests put a clock of their own in.
#include <QDateTime>

#include <functional>

namespace marbolt {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const;
    // Sleeps on the calling thread without handling events.
    virtual void sleep(int milliseconds);
    // Lets milliseconds pass on the calling thread while keepAlive runs
    // every few milliseconds, so that a window waiting this way keeps
    // painting and answering. The time waited is the time asked (plus
    // at most one run of keepAlive); nothing runs for 0.
    virtual void pass(int milliseconds, const std::function<void()> &keepAlive);
    // How long a transfer's timer asked for milliseconds runs: as asked.
    // Tests shorten it, and look at the transfer where it waits.
    virtual int timerLength(int milliseconds) { return milliseconds; }
};

Clock &systemClock();

}  // namespace marbolt
