#pragma once
// What a transfer needs of a port: its line parameters, open and close,
// single bytes in and out, the bytes waiting, RTS and the line-error state.
// Trs232c is the real one; transfer tests drive the engines through a port
// of their own.
#include "serial/linesettings.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace marbolt {

struct CommStatus {
    std::uint32_t errors = 0;  // CE_ bits since the last clear
    int inQueue = 0;           // bytes waiting to be read
};

class LinePort {
public:
    virtual ~LinePort() = default;

    // The parameters the next Open applies.
    virtual LineSettings &line() = 0;
    virtual bool Open() = 0;

    // How an Open that has to wait on the network waits: the name
    // look-up, the connection and the server's answers are awaited on a
    // thread of their own while keepAlive runs every few milliseconds (the
    // window pumps its events); once cancelled() holds, the Open gives up
    // and returns false with OpenAborted() set.
    struct OpenWait {
        std::function<void()> keepAlive;
        std::function<bool()> cancelled;
    };
    virtual bool Open(const OpenWait &wait)
    {
        (void)wait;
        return Open();
    }
    // Whether Open waits on the network (the port is a device server).
    virtual bool OpenWaits() const { return false; }
    // The last Open was given up through its OpenWait.
    virtual bool OpenAborted() const { return false; }
    // The errno of the last failed system call (0: none known), to say
    // why an Open failed.
    virtual int lastError() const { return 0; }
    // Bytes that wait are held by the connection, which slows the sender
    // when it is full (TCP to a device server), instead of being lost past
    // a driver's buffer: a backlog is no overflow here.
    virtual bool keepsBacklog() const { return false; }
    virtual bool Close() = 0;
    virtual bool ReadByte(std::uint8_t &b) = 0;
    virtual bool WriteByte(std::uint8_t b) = 0;
    // Bytes waiting, -1 when closed. Also clears the line-error state.
    virtual int RxCount() = 0;
    virtual bool SetRts(bool on) = 0;
    // Waits up to ms for a byte to read, for loops that poll the port
    // without spinning. Gone: closed, or the device went away.
    enum class InputWait { Waiting, TimedOut, Gone };
    virtual InputWait WaitForInput(int ms) = 0;
    // Fetches and clears the line-error state; nullopt when closed.
    virtual std::optional<CommStatus> ClearCommError() = 0;
};

}  // namespace marbolt
