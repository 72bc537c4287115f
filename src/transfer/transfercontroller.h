#pragma once
// The owner of every transfer: the send engine, the reception, the repeat
// send and what a close asked during a transfer waits for. It keeps the one
// phase and the transfer-state `commstate`; the window asks it one
// question, activity(), and hands every transfer command to it. Every
// command returns at once: the transfer runs as a job of the active
// machine's session, and its end (and a close asked meanwhile) follows
// from what the session tells.
#include "common/clock.h"
#include "transfer/receiver.h"
#include "transfer/sendengine.h"
#include "transfer/transferstate.h"
#include "transfer/transferview.h"

#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace marbolt {

class Dialogs;
class SettingsStore;

class TransferController : public TransferProgress {
public:
    // session: the active machine's, asked at each transfer; clock: for
    // the pause of a repeat.
    TransferController(SessionSource session, SettingsStore &settings, Dialogs &dialogs, Clock &clock,
                       SendView &sendView, ReceiveView &receiveView, QString logPath);

    // send1: the whole document; afterwards runs once it has ended.
    void send(std::function<void()> afterwards = {});
    // Text that is not the editor's, as a whole document (the programs of
    // a multiple-program send); afterwards runs once it has ended.
    void sendText(std::string utf8, std::function<void()> afterwards = {});
    // psend3: the editor's selection; caretHomeAfter as SendEngine's.
    void sendSelection(bool caretHomeAfter = false);
    // A part of the document, by editor positions, without selecting it.
    void sendRange(std::size_t start, std::size_t end, bool caretHomeAfter = false);
    void checkDocument();  // sendcheck1: the check before a send, alone
    void repeat();         // Repeat1: the whole document until cancelled
    void receive();        // Rec1
    // A reception whose text goes to then, not into the document
    // (compare): nullopt unless the whole tape came.
    void receiveForCompare(std::function<void(std::optional<std::string>)> then);
    // Whether the machine the window serves is busy with a transfer of its
    // own (started from the machine list): the window's commands then
    // leave its port alone.
    void setMachineInUse(std::function<bool()> inUse) { machineInUse_ = std::move(inUse); }
    // What the window does when a close it asked during a transfer is due;
    // ended: what ran (a repeat, or a reception).
    void setCloseWindow(std::function<void(TransferPhase ended)> close) { closeWindow_ = std::move(close); }
    // stop1: raises the running transfer's stop flag; commstate empties.
    void cancel();
    // The machine's DC1/DC3 and a failed receive line, on ports that do
    // not tell their session themselves.
    void handshake();
    void rateTick();   // Timer1Timer
    void lineError();
    // The window's lock for a transfer is taken (enabledfalse) and
    // released (enabledtrue); the release empties commstate.
    void lockTaken() { windowLocked_ = true; }
    void lockReleased();

    // The window's close: now, refused with a message, or once the
    // running transfer has ended (setCloseWindow's step then closes it).
    enum class CloseAnswer { Now, Refused, AfterTransfer };
    CloseAnswer requestClose();

    // What runs now: the one question the window asks.
    TransferActivity activity() const;
    TransferPhase phase() const { return phase_; }
    // The active machine's flags.
    const TransferState &flags() const;
    // A send or reception loop runs, also while it finishes after cancel.
    bool loopRunning() const { return sendEngine_.running() || receiver_.running(); }
    const SendEngine &sendEngine() const { return sendEngine_; }

    // What the engines tell it.
    void underWay(Direction direction) override;
    void stoppedByFailure() override;
    void lineFailed() override;

private:
    void sendEnded();
    void receptionEnded();
    void repeatPauseEnded();
    void transferEnded(TransferPhase ended);
    // Tells the user and ends a command whose machine is busy elsewhere.
    bool refusedInUse();
    // The phase and what runs after a send, unless refused (afterwards then
    // runs at once).
    bool startSend(std::function<void()> afterwards);

    SettingsStore &settings_;
    Dialogs &dialogs_;
    Clock &clock_;
    SendView &sendView_;
    SessionSource session_;
    TransferState noFlags_;  // while there is no session
    SendEngine sendEngine_;
    Receiver receiver_;
    TransferPhase phase_ = TransferPhase::Idle;
    // commstate: "send" or "rec" while a transfer is under way, empty
    // again at cancel, while it may still be finishing.
    enum class CommState { None, Send, Rec };
    CommState commstate_ = CommState::None;
    bool windowLocked_ = false;
    bool closeAfterTransfer_ = false;
    std::function<void(TransferPhase)> closeWindow_;
    std::function<void()> afterSend_;
    std::function<bool()> machineInUse_;
    QTimer repeatPause_;  // the second between two sends of a repeat
};

}  // namespace marbolt
