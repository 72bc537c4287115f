#include "transfer/transfercontroller.h"

#include "common/dialogs.h"
#include "common/settingsstore.h"

namespace marbolt {

TransferController::TransferController(SessionSource session, SettingsStore &settings, Dialogs &dialogs,
                                       Clock &clock, SendView &sendView, ReceiveView &receiveView,
                                       QString logPath)
    : settings_(settings), dialogs_(dialogs), clock_(clock), sendView_(sendView), session_(session),
      sendEngine_(session, settings, *this, dialogs, sendView, std::move(logPath)),
      receiver_(std::move(session), settings, *this, dialogs, receiveView)
{
    sendEngine_.setOnEnded([this] { sendEnded(); });
    receiver_.setOnEnded([this] { receptionEnded(); });
    repeatPause_.setSingleShot(true);
    repeatPause_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&repeatPause_, &QTimer::timeout, [this] { repeatPauseEnded(); });
}

void TransferController::underWay(Direction direction)
{
    commstate_ = direction == Direction::Send ? CommState::Send : CommState::Rec;
}

void TransferController::stoppedByFailure()
{
    commstate_ = CommState::None;
}

void TransferController::lineFailed()
{
    if (commstate_ == CommState::None)
        return;
    receiver_.lineError();
    commstate_ = CommState::None;
    sendView_.setStatusText(QString());
}

const TransferState &TransferController::flags() const
{
    const TransferSession *session = session_ ? session_() : nullptr;
    return session ? session->flags() : noFlags_;
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

bool TransferController::startSend(std::function<void()> afterwards)
{
    if (refusedInUse()) {
        if (afterwards)
            afterwards();
        return false;
    }
    if (phase_ == TransferPhase::Idle)
        phase_ = TransferPhase::Sending;
    afterSend_ = std::move(afterwards);
    return true;
}

void TransferController::send(std::function<void()> afterwards)
{
    if (startSend(std::move(afterwards)))
        sendEngine_.sendDocument();
}

void TransferController::sendText(std::string utf8, std::function<void()> afterwards)
{
    if (startSend(std::move(afterwards)))
        sendEngine_.sendText(std::move(utf8));
}

void TransferController::sendSelection(bool caretHomeAfter)
{
    if (startSend({}))
        sendEngine_.sendSelection(caretHomeAfter);
}

void TransferController::sendRange(std::size_t start, std::size_t end, bool caretHomeAfter)
{
    if (startSend({}))
        sendEngine_.sendRange(start, end, caretHomeAfter);
}

void TransferController::checkDocument()
{
    sendEngine_.checkDocument();
}

void TransferController::repeat()
{
    if (refusedInUse())
        return;
    if (sendView_.documentText().empty()) {
        dialogs_.message(QStringLiteral("送信データがありません"));
        return;
    }
    if (settings_.get(setting::SE) == QLatin1String("0")
        && dialogs_.information(QStringLiteral("設定画面にて\"送信要求信号を使用しない\"のチェックを外してください。"),
                                Buttons::OkCancel)
               != Answer::Ok)
        return;
    phase_ = TransferPhase::Repeating;
    // One check for the whole repeat: its answer stands for every send.
    sendEngine_.keepCheckAnswer(true);
    if (TransferSession *session = session_ ? session_() : nullptr)
        session->flags().sendstop = false;
    send();
}

void TransferController::sendEnded()
{
    if (auto afterwards = std::exchange(afterSend_, nullptr))
        afterwards();
    if (phase_ != TransferPhase::Repeating) {
        phase_ = TransferPhase::Idle;
        transferEnded(TransferPhase::Sending);
        return;
    }
    // A send that could not open its port, or found nothing to send, would
    // fail the same way after every pause, with no cancel to end it.
    if (!sendEngine_.portOpened()) {
        repeatPauseEnded();
        return;
    }
    // The pause; a cancel that comes in it takes effect in the next send's
    // first wait.
    repeatPause_.start(clock_.timerLength(1000));
}

void TransferController::repeatPauseEnded()
{
    if (!flags().sendstop && sendEngine_.portOpened()) {
        send();
        return;
    }
    sendEngine_.keepCheckAnswer(false);
    sendEngine_.cancelAtStart(false);  // a cancel for a send that never came
    phase_ = TransferPhase::Idle;
    transferEnded(TransferPhase::Repeating);
}

void TransferController::receive()
{
    if (refusedInUse())
        return;
    phase_ = TransferPhase::Receiving;
    receiver_.receive();
}

void TransferController::receiveForCompare(std::function<void(std::optional<std::string>)> then)
{
    if (refusedInUse()) {
        then(std::nullopt);
        return;
    }
    phase_ = TransferPhase::Receiving;
    receiver_.receiveInto(std::move(then));
}

void TransferController::receptionEnded()
{
    phase_ = TransferPhase::Idle;
    transferEnded(TransferPhase::Receiving);
}

bool TransferController::refusedInUse()
{
    // A repeat's later sends are its own.
    if (phase_ == TransferPhase::Repeating || !machineInUse_ || !machineInUse_())
        return false;
    dialogs_.message(QStringLiteral("この機械は送受信中です"));
    return true;
}

void TransferController::transferEnded(TransferPhase ended)
{
    if (std::exchange(closeAfterTransfer_, false) && closeWindow_)
        closeWindow_(ended);
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
    if (TransferSession *session = session_ ? session_() : nullptr)
        session->lineError();
}

TransferController::CloseAnswer TransferController::requestClose()
{
    const bool repeating = phase_ == TransferPhase::Repeating;
    const bool sending = commstate_ == CommState::Send;
    if (repeating && flags().sendstop && !sending) {
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
