#pragma once
// Helpers shared by the serial tests: a virtual machine on a pseudo-
// terminal, a port opened on it, and pumping the event loop until a
// condition holds.
#include "serial/rs232c.h"
#include "virtualmachine.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace marbolt::testing {

using namespace std::chrono_literals;

inline bool pumpUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout = 3000ms)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(200us);
    }
    return true;
}

inline void pumpFor(std::chrono::milliseconds span)
{
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(200us);
    }
}

inline std::unique_ptr<vm::VirtualMachine> makeMachine()
{
    std::string error;
    auto m = vm::VirtualMachine::create(&error);
    EXPECT_TRUE(m) << error;
    return m;
}

// A port on the machine's line with short time-outs, as a test wants them.
inline void pointAt(Trs232c &port, const vm::VirtualMachine &machine)
{
    port.portname = QString::fromStdString(machine.portPath());
    port.rxtimeout = 1000;
    port.txtimeout = 1000;
}

}  // namespace marbolt::testing
