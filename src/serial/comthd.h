#pragma once
// tcommthread: the watcher an open Trs232c runs when a line-event handler
// is assigned. It blocks on the port until a selected event occurs, then
// hands the dispatch to the user-interface thread and waits until the
// handlers have run; at most one dispatch is ever in flight.
//
// The watcher thread only waits (poll on the port and on a wake-up
// eventfd) and hands over. The dispatcher and every handler run on the
// user-interface thread, which executes a pending hand-over whenever it
// processes events, and also while Close waits for the watcher to end.
#include "serial/serialsystem.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace marbolt {

class Trs232c;

class tcommthread {
public:
    tcommthread(Trs232c &owner, int handle, SerialSystem &system, std::uint32_t watchMask);
    ~tcommthread();
    tcommthread(const tcommthread &) = delete;
    tcommthread &operator=(const tcommthread &) = delete;

    bool Start();
    // Asks the watcher to end and wakes its wait at once.
    void Terminate();
    // Waits until the watcher has ended, executing its hand-overs meanwhile.
    void WaitFor();
    // True while a handler of this watcher's dispatch is running.
    bool Dispatching() const;
    // For a Close from inside a handler, which cannot wait for the watcher
    // (the watcher waits for that very handler): deliver nothing more and
    // end once the dispatch returns. The owner joins it later.
    void Abandon();

    // What a handler can read through its sender.
    std::uint32_t EventMask() const { return eventMask_; }
    std::int32_t ReceivedCount() const { return receivedCount_; }
    int Handle() const { return handle_; }
    Trs232c &Owner() const { return owner_; }

private:
    void execute();
    std::uint32_t waitForEvents();
    std::uint32_t lineEvents();
    void handOver();
    void runPendingDispatch();
    void dispatch();

    Trs232c &owner_;
    const int handle_;
    SerialSystem &system_;
    const std::uint32_t watchMask_;
    int wakeFd_ = -1;
    std::thread thread_;
    std::atomic<bool> terminated_{false};

    // The hand-over: the watcher sets pending_ and waits until the
    // user-interface thread has dispatched and cleared it.
    std::mutex mutex_;
    std::condition_variable changed_;
    bool pending_ = false;
    bool ended_ = false;
    bool dispatching_ = false;  // user-interface thread only
    bool abandoned_ = false;    // user-interface thread only
    QObject uiContext_;  // lives on the user-interface thread

    // Written by the watcher before a hand-over, read by the dispatcher
    // during it, and never both at once.
    std::uint32_t eventMask_ = 0;
    std::int32_t receivedCount_ = 0;

    // The watcher's own view of the port.
    bool deviceGone_ = false;
    int inputSeen_ = 0;
    std::optional<LineErrorCounts> countsSeen_;
    int modemSeen_ = 0;
    std::uint64_t writesSeen_ = 0;
};

}  // namespace marbolt
