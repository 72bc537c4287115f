#include "transfer/receiver.h"
#include "document/olines.h"

#include "common/dialogs.h"
#include "common/settingsstore.h"
#include "document/textlines.h"
#include "serial/punchcodes.h"
#include "transfer/portopening.h"
#include "transfer/portsetup.h"

#include <utility>

namespace marbolt {

namespace {

// The window's receive port announces no arrivals: the reception looks
// this often; at 19200 bit/s that is some 17 bytes, far below the limit
// of the queue.
constexpr int kLookMs = 10;

}  // namespace

QString receiveErrorMessage()
{
    return QStringLiteral("受信エラーが発生しました\r通信条件を確認して下さい");
}

Receiver::Receiver(ReceivePorts ports, SettingsStore &settings, TransferState &state,
                   TransferProgress &progress, Dialogs &dialogs, Clock &clock, ReceiveView &view)
    : ports_(ports), settings_(settings), state_(state), progress_(progress), dialogs_(dialogs), clock_(clock), view_(view)
{
}

void Receiver::receive()
{
    if (running_) {
        if (ended_)
            ended_();
        return;
    }
    ports_.send.Close();
    ports_.receive.Close();
    running_ = true;
    completed_ = false;
    // Every way out before the job starts cleans up here; a started job
    // cleans up when it is done.
    struct CleanUp {
        Receiver *receiver;
        bool jobStarted = false;
        ~CleanUp()
        {
            if (!jobStarted)
                receiver->cleanUp();
        }
    } cleanUp{this};

    if (!capture_ && !view_.startNewDocument())
        return;  // the user kept the changed document
    progress_.underWay(TransferProgress::Direction::Receive);
    const auto speed = reportedNumber(settings_, setting::SPEED, dialogs_);
    if (!speed)
        return;
    setUpReceivePort(ports_.receive, *speed, settings_);
    const PortOpening opening = openTransferPort(ports_.receive, view_, dialogs_, state_.recstop);
    if (!opening.opened)
        return;
    if (!opening.locked)
        view_.lockForTransfer();
    cleanUp.jobStarted = true;
    job_ = std::make_unique<ReceiveJob>(ports_.receive, state_, clock_, kLookMs);
    ReceiveJob *job = job_.get();
    QObject::connect(job, &ReceiveJob::statusChanged, job, [this](const QString &text) { view_.setStatusText(text); });
    QObject::connect(job, &ReceiveJob::lineReceived, job, [this](const QString &line) {
        // A reception for compare leaves the editor and the index alone.
        if (capture_)
            return;
        if (isNumberedOLine(line))
            view_.addProgram(line);
        view_.showReceivedLine(line);
    });
    QObject::connect(job, &ReceiveJob::failed, job, [this](ReceiveOutcome outcome) { tellFailure(outcome); });
    QObject::connect(job, &ReceiveJob::done, job, [this](ReceiveOutcome outcome) { finish(outcome); },
                     Qt::QueuedConnection);
    job->start();
}

void Receiver::finish(ReceiveOutcome outcome)
{
    completed_ = isComplete(outcome);
    endMessage_ = outcome == ReceiveOutcome::EndPercent ? QStringLiteral("受信を完了しました。")
                : outcome == ReceiveOutcome::EndDc4   ? QStringLiteral("NC機より完了信号DC4を受信しました。")
                                                       : QString();
    const ReceiveDecoder &decoder = job_->decoder();
    const std::string text = job_->takeText();
    // The end is told once what came is in its place: the user who reads
    // "受信を完了しました。" sees the document (or the compare) it speaks of.
    if (capture_) {
        // Only a whole tape is compared; a cancelled one would show every
        // block it did not bring as a difference. Faulty bytes are told,
        // but there are no document lines to mark.
        if (completed_)
            *capture_ = text;
        tellEnd();
        if (decoder.faultyBytes() > 0)
            reportFaultyBytes(text, decoder, false);
    } else {
        view_.setReceivedText(text);
        tellEnd();
        if (decoder.faultyBytes() > 0)
            reportFaultyBytes(text, decoder, true);
    }
    cleanUp();
}

void Receiver::tellFailure(ReceiveOutcome outcome)
{
    switch (outcome) {
    case ReceiveOutcome::Overflow:
        dialogs_.error(QStringLiteral("受信バッファがオーバーフローしました。"));
        return;
    case ReceiveOutcome::ReadFailed:
        // The machine was stopped first; with the state cleared, a line
        // error that the watcher hands over while the port closes finds
        // nothing to stop.
        progress_.stoppedByFailure();
        view_.setStatusText(QString());
        dialogs_.error(receiveErrorMessage());
        return;
    case ReceiveOutcome::LineGone:
        dialogs_.error(receiveErrorMessage());
        return;
    case ReceiveOutcome::EndPercent:
    case ReceiveOutcome::EndDc4:
    case ReceiveOutcome::Cancelled:
        return;
    }
}

void Receiver::tellEnd()
{
    if (!endMessage_.isEmpty())
        dialogs_.information(std::exchange(endMessage_, QString()), Buttons::Ok);
}

void Receiver::receiveInto(std::function<void(std::optional<std::string>)> then)
{
    if (running_)
        return;
    capturing_ = std::move(then);
    capture_ = &captured_;
    captured_.clear();
    receive();
}

void Receiver::reportFaultyBytes(const std::string &text, const ReceiveDecoder &decoder, bool markLines)
{
    if (markLines)
        view_.markFaultyLines(decoder.faultyLines());
    // The lines named after the count, as they now stand in the document.
    QString lines;
    const std::vector<std::size_t> starts = lineStarts(text);
    for (std::size_t wanted : decoder.faultyLines()) {
        // A byte without a character stays in the text as a control
        // character; the box shows it as "?".
        QString shown = lineText(text, starts, wanted);
        for (QChar &c : shown)
            if (c.unicode() < 0x20)
                c = u'?';
        lines += QStringLiteral("\r%1 行目: %2").arg(wanted + 1).arg(shown);
    }
    dialogs_.information(QStringLiteral("パリティエラーが %1 文字ありました。\r").arg(decoder.faultyBytes()) + lines,
                         Buttons::Ok);
}

void Receiver::cleanUp()
{
    ports_.receive.Close();
    view_.unlockAfterTransfer();
    view_.setStatusText(QString());
    running_ = false;
    if (capture_) {
        capture_ = nullptr;
        // Only a whole tape goes to the compare.
        std::optional<std::string> text;
        if (completed_)
            text = std::move(captured_);
        if (auto then = std::exchange(capturing_, nullptr))
            then(std::move(text));
    }
    if (ended_)
        ended_();
}

void Receiver::lineError()
{
    state_.recstop = true;
    if (job_ && job_->running())
        job_->stop();
    dialogs_.error(receiveErrorMessage());
    ports_.receive.ClearCommError();
}

void Receiver::cancel()
{
    if (job_ && job_->running()) {
        job_->cancel();
        return;
    }
    ports_.receive.ClearCommError();
    state_.recstop = true;
    ports_.receive.WriteByte(kDC3);
}

}  // namespace marbolt
