#pragma once
// Line errors for tests. A pseudo-terminal cannot make framing, overrun or
// parity errors, so the serial seam counts them here instead.
#include "serial/serialsystem.h"

#include <atomic>

namespace marbolt::testing {

class InjectedErrors : public SerialSystem {
public:
    std::optional<LineErrorCounts> lineErrorCounts(int) override
    {
        LineErrorCounts c;
        c.frame = frame.load();
        c.overrun = overrun.load();
        c.parity = parity.load();
        return c;
    }
    std::atomic<std::uint32_t> frame{0}, overrun{0}, parity{0};
    // A framing error that strikes as the port's reading passes this many
    // bytes. The count fills the read-ahead, so the error lands between
    // the count and the read that follows it.
    ssize_t readSome(int fd, void *buffer, size_t count) override
    {
        const ssize_t n = SerialSystem::readSome(fd, buffer, count);
        if (n > 0 && strikeAtByte >= 0 && (delivered_ += n) >= strikeAtByte) {
            strikeAtByte = -1;
            ++frame;
        }
        return n;
    }
    std::atomic<long> strikeAtByte{-1};

private:
    long delivered_ = 0;
};

}  // namespace marbolt::testing
