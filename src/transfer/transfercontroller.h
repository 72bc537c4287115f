#pragma once
// The owner of every transfer: the send engine, the reception, the repeat
// send and what a close asked during a transfer waits for. It keeps the one
// phase and the transfer-state `commstate`; the window asks it one
// question, activity(), and hands every transfer command to it.
#include "common/clock.h"
#include "serial/lineport.h"
#include "transfer/receiver.h"
#include "transfer/sendengine.h"
#include "transfer/transferstate.h"
#include "transfer/transferview.h"

#include <utility>

namespace marbolt {

class Dialogs;
class SettingsStore;

struct TransferPorts {
    LinePort &send;     // rs232c1
    LinePort &receive;  // rs232c2
};

class TransferController : public TransferProgress {
public:
    TransferController(TransferPorts ports, SettingsStore &settings, Dialogs &dialogs, Clock &clock,
                       SendView &sendView, ReceiveView &receiveView, QString logPath);

    // What the window does once a command has returned.
    enum class Afterwards { Stay, CloseWindow };

    void send();           // send1: the whole document
    void sendSelection();  // psend3: the editor's selection
    void checkDocument();  // sendcheck1: the check before a send, alone
    Afterwards repeat();   // Repeat1: the whole document until cancelled
    Afterwards receive();  // Rec1
    // A reception whose text goes to out, not into the document (compare).
    // False when nothing was received.
    bool receiveForCompare(std::string &out);
    // stop1: raises the running transfer's stop flag; commstate empties.
    void cancel();
    void handshake();  // rs232c1RXCHAR
    void rateTick();   // Timer1Timer
    void lineError();  // rs232c2ERR
    // The window's lock for a transfer is taken (enabledfalse) and
    // released (enabledtrue); the release empties commstate.
    void lockTaken() { windowLocked_ = true; }
    void lockReleased();

    // The window's close: now, refused with a message, or once the
    // running transfer has ended (the command's Afterwards says so).
    enum class CloseAnswer { Now, Refused, AfterTransfer };
    CloseAnswer requestClose();

    // What runs now: the one question the window asks.
    TransferActivity activity() const;
    TransferPhase phase() const { return phase_; }
    const TransferState &flags() const { return flags_; }
    // A send or reception loop runs, also while it finishes after cancel.
    bool loopRunning() const { return sendEngine_.running() || receiver_.running(); }
    const SendEngine &sendEngine() const { return sendEngine_; }

    // What the engines tell it.
    void underWay(Direction direction) override;
    void stoppedByFailure() override;

private:
    void runSend(void (SendEngine::*how)());

    SettingsStore &settings_;
    Dialogs &dialogs_;
    Clock &clock_;
    SendView &sendView_;
    TransferState flags_;
    SendEngine sendEngine_;
    Receiver receiver_;
    TransferPhase phase_ = TransferPhase::Idle;
    // commstate: "send" or "rec" while a transfer is under way, empty
    // again at cancel, while it may still be finishing.
    enum class CommState { None, Send, Rec };
    CommState commstate_ = CommState::None;
    bool windowLocked_ = false;
    bool closeAfterTransfer_ = false;
};

}  // namespace marbolt
