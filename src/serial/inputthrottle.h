#pragma once
// The driver's half of input flow control, for a port whose driver cannot
// be given the levels: a thread that watches the input queue while the
// user-interface thread is busy elsewhere (a modal box, a slow repaint, the
// reception's own sleeps) and has the owner send XOFF in time.
//
// The thread only waits and calls check; check runs on this thread and
// must be safe against the owner's own calls (Trs232c takes its input lock).
#include "serial/serialsystem.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace marbolt {

class InputThrottle {
public:
    // check looks at the queue, sends what is due and says whether the
    // input is held (XOFF sent, XON not yet). tick is how often the queue
    // is looked at while bytes wait or the input is held.
    InputThrottle(int fd, SerialSystem &system, std::function<bool()> check,
                  std::chrono::milliseconds tick);
    ~InputThrottle();
    InputThrottle(const InputThrottle &) = delete;
    InputThrottle &operator=(const InputThrottle &) = delete;

    bool Start();
    // Ends the thread and waits for it.
    void Stop();

private:
    void run();

    const int fd_;
    SerialSystem &system_;
    const std::function<bool()> check_;
    const int tickMs_;
    int wakeFd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace marbolt
