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
};

}  // namespace marbolt::testing
