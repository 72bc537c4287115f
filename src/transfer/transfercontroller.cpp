#include "transfer/transfercontroller.h"

#include "common/dialogs.h"
#include "common/settingsstore.h"

namespace marbolt {

namespace {

// Sets the phase for the length of a command, unless an outer command
// (a repeat around its sends) already holds one.
class PhaseScope {
public:
    PhaseScope(TransferPhase &phase, TransferPhase during) : phase_(phase), owner_(phase == TransferPhase::Idle)
    {
        if (owner_)
            phase_ = during;
    }
    ~PhaseScope()
    {
        if (owner_)
            phase_ = TransferPhase::Idle;
    }
    PhaseScope(const PhaseScope &) = delete;
    PhaseScope &operator=(const PhaseScope &) = delete;

private:
    TransferPhase &phase_;
    bool owner_;
};

}  // namespace

TransferController::TransferController(TransferPorts ports, SettingsStore &settings, Dialogs &dialogs,
                                       Clock &clock, SendView &sendView, ReceiveView &receiveView,
                                       QString logPath)
    : settings_(settings), dialogs_(dialogs), clock_(clock), sendView_(sendView),
      sendEngine_(SendPorts{ports.send, ports.receive}, settings, flags_, *this, dialogs, clock, sendView,
                  std::move(logPath)),
      receiver_(ReceivePorts{ports.send, ports.receive}, settings, flags_, *this, dialogs, clock, receiveView)
{
}

void TransferController::underWay(Direction direction)
{
    commstate_ = direction == Direction::Send ? CommState::Send : CommState::Rec;
}

void TransferController::stoppedByFailure()
{
    commstate_ = CommState::None;
}

void TransferController::lockReleased()
{
    windowLocked_ = false;
    commstate_ = CommState::None;
}

TransferActivity TransferController::activity() const
{
    if (phase_ == TransferPhase::Idle && !windowLocked_ && commstate_ == CommState::None)
        return TransferActivity::Idle;
    switch (commstate_) {
    case CommState::Send:
        return TransferActivity::Sending;
    case CommState::Rec:
        return TransferActivity::Receiving;
    case CommState::None:
        break;
    }
    return windowLocked_ ? TransferActivity::Stopping : TransferActivity::Preparing;
}

void TransferController::runSend(void (SendEngine::*how)())
{
    PhaseScope scope(phase_, TransferPhase::Sending);
    (sendEngine_.*how)();
}

void TransferController::send()
{
    runSend(&SendEngine::sendDocument);
}

void TransferController::sendSelection()
{
    runSend(&SendEngine::sendSelection);
}

void TransferController::checkDocument()
{
    sendEngine_.checkDocument();
}

TransferController::Afterwards TransferController::repeat()
{
    if (sendView_.documentText().empty()) {
        dialogs_.message(QStringLiteral("送信データがありません"));
        return Afterwards::Stay;
    }
    if (settings_.get(setting::SE) == QLatin1String("0")
        && dialogs_.information(QStringLiteral("設定画面にて\"送信要求信号を使用しない\"のチェックを外してください。"),
                                Buttons::OkCancel)
               != Answer::Ok)
        return Afterwards::Stay;
    {
        PhaseScope scope(phase_, TransferPhase::Repeating);
        // One check for the whole repeat: its answer stands for every send.
        struct EndOfRepeat {
            SendEngine &engine;
            ~EndOfRepeat()
            {
                engine.keepCheckAnswer(false);
                engine.cancelAtStart(false);  // a cancel for a send that never came
            }
        } keep{sendEngine_};
        sendEngine_.keepCheckAnswer(true);
        flags_.sendstop = false;
        while (!flags_.sendstop) {
            send();
            // A send that could not open its port, or found nothing to
            // send, would fail the same way after every pause, with no
            // cancel to end it.
            if (!sendEngine_.portOpened())
                break;
            // The pause paints but takes no input; a cancel that comes in
            // it takes effect in the next send's first wait.
            clock_.pass(1000, [this] { sendView_.keepPainting(); });
        }
    }
    return std::exchange(closeAfterTransfer_, false) ? Afterwards::CloseWindow : Afterwards::Stay;
}

TransferController::Afterwards TransferController::receive()
{
    {
        PhaseScope scope(phase_, TransferPhase::Receiving);
        receiver_.receive();
    }
    return std::exchange(closeAfterTransfer_, false) ? Afterwards::CloseWindow : Afterwards::Stay;
}

bool TransferController::receiveForCompare(std::string &out)
{
    PhaseScope scope(phase_, TransferPhase::Receiving);
    return receiver_.receiveInto(out);
}

void TransferController::cancel()
{
    if (commstate_ == CommState::Send)
        sendEngine_.cancel();
    else if (commstate_ == CommState::Rec)
        receiver_.cancel();
    else if (phase_ == TransferPhase::Repeating && !sendEngine_.running())
        sendEngine_.cancelAtStart(true);
    commstate_ = CommState::None;
    sendView_.setStatusText(QString());
}

void TransferController::handshake()
{
    sendEngine_.handshake();
}

void TransferController::rateTick()
{
    sendEngine_.rateTick();
}

void TransferController::lineError()
{
    if (commstate_ == CommState::None)
        return;
    receiver_.lineError();
    cancel();
}

TransferController::CloseAnswer TransferController::requestClose()
{
    const bool repeating = phase_ == TransferPhase::Repeating;
    const bool sending = commstate_ == CommState::Send;
    if (repeating && flags_.sendstop && !sending) {
        // The repeat was cancelled and ends at its next look at the flag:
        // the window closes then, as after any cancelled send.
        closeAfterTransfer_ = true;
        return CloseAnswer::AfterTransfer;
    }
    if (sending || repeating) {
        dialogs_.message(QStringLiteral("通信を終了してください"));
        return CloseAnswer::Refused;
    }
    if (receiver_.running()) {
        // End the reception as cancel does; its text becomes the document,
        // and the close comes again once the reception has finished.
        if (commstate_ == CommState::Rec)
            cancel();
        closeAfterTransfer_ = true;
        return CloseAnswer::AfterTransfer;
    }
    return CloseAnswer::Now;
}

}  // namespace marbolt
