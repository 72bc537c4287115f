#pragma once
// The state of the transfers. The flags are the loops' own: a loop reads
// them, cancel and the handshake raise or lower them. The transfer-state
// `commstate` and the phase belong to the transfer controller alone;
// the engines tell it when their transfer is under way. The flags belong
// to a machine's session and are set on its thread; the window reads them
// (and a cancel raises them) from its own, so each is atomic.
#include <QString>

#include <atomic>

namespace marbolt {

// Idle: nothing runs. Sending: one send (whole document or selection).
// Repeating: a repeat send, in one of its sends or in the pause between
// two. Receiving: a reception.
enum class TransferPhase { Idle, Sending, Repeating, Receiving };

// The one answer to "what are the transfers doing?", for the window, the
// close and the commands.
enum class TransferActivity {
    Idle,       // no transfer command runs: everything is free
    Preparing,  // a command runs outside the lock: its checks, its questions,
                // opening the port, the pause of a repeat, its last steps
    Sending,    // a send is under way (the transfer-state "send")
    Receiving,  // a reception is under way ("rec")
    Stopping,   // cancelled or failed, still locked while it ends
};
// A transfer command runs: a second one would share its port and flags.
constexpr bool isBusy(TransferActivity a)
{
    return a != TransferActivity::Idle;
}
// The window is locked for the transfer, or the transfer-state is set:
// the editor and the caret belong to the transfer.
constexpr bool holdsWindow(TransferActivity a)
{
    return a == TransferActivity::Sending || a == TransferActivity::Receiving || a == TransferActivity::Stopping;
}

struct TransferState {
    std::atomic<bool> sendstop = false;  // ends every wait and loop of a send
    std::atomic<bool> sendok = false;    // the machine's permission: DC1 sets, DC3 clears
    std::atomic<bool> recstop = false;   // ends the receive loops
};

// What the engines tell the owner of commstate.
class TransferProgress {
public:
    enum class Direction { Send, Receive };
    virtual ~TransferProgress() = default;
    // The transfer has passed its first checks: commstate "send" or "rec".
    virtual void underWay(Direction direction) = 0;
    // A failure stopped the transfer as a cancel does: commstate empty.
    virtual void stoppedByFailure() = 0;
    // The receive line failed and the machine was stopped: told to the
    // user, and commstate empty, unless the reception was cancelled first.
    virtual void lineFailed() = 0;
};

}  // namespace marbolt
