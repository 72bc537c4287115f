#pragma once
// The state of the transfers. The flags are the loops' own: a loop reads
// them, cancel and the handshake raise or lower them. The transfer-state
// text `commstate` and the phase belong to the transfer controller alone;
// the engines tell it when their transfer is under way. All of it lives
// on the user-interface thread.
#include <QString>

namespace marbolt {

// Idle: nothing runs. Sending: one send (whole document or selection).
// Repeating: a repeat send, in one of its sends or in the pause between
// two. Receiving: a reception.
enum class TransferPhase { Idle, Sending, Repeating, Receiving };

struct TransferState {
    bool sendstop = false;  // ends every wait and loop of a send
    bool sendok = false;    // the machine's permission: DC1 sets, DC3 clears
    bool recstop = false;   // ends the receive loops
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
};

}  // namespace marbolt
