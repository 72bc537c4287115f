#include "transfer/receiver.h"
#include "document/olines.h"

#include "common/dialogs.h"
#include "common/settingsstore.h"
#include "document/textlines.h"
#include "serial/punchcodes.h"

#include <utility>

namespace marbolt {

namespace {

// The window's reception does not wait for the port's arrivals: it looks
// this often; at 19200 bit/s that is some 17 bytes, far below the limit
// of the queue.
constexpr ReceiveStyle kWindowStyle{10, false};

}  // namespace

QString receiveErrorMessage()
{
    return QStringLiteral("受信エラーが発生しました\r通信条件を確認して下さい");
}

Receiver::Receiver(SessionSource session, SettingsStore &settings, TransferProgress &progress, Dialogs &dialogs,
                   ReceiveView &view)
    : settings_(settings), progress_(progress), dialogs_(dialogs), view_(view), session_(std::move(session), view)
{
}

void Receiver::receive()
{
    if (running_) {
        if (ended_)
            ended_();
        return;
    }
    running_ = true;
    completed_ = false;
    // Every way out before the reception starts cleans up here; a started
    // one cleans up when it is done.
    struct CleanUp {
        Receiver *receiver;
        bool started = false;
        ~CleanUp()
        {
            if (!started)
                receiver->cleanUp();
        }
    } guard{this};

    if (!capture_ && !view_.startNewDocument())
        return;  // the user kept the changed document
    progress_.underWay(TransferProgress::Direction::Receive);
    const auto speed = reportedNumber(settings_, setting::SPEED, dialogs_);
    if (!speed)
        return;
    TransferSession *session = session_.active();
    if (!session) {
        dialogs_.message(QStringLiteral("回線オープンエラー"));
        return;
    }
    TransferValues values;
    values.speed = *speed;
    values.port = settings_.get(setting::PORT);
    values.stopbit = settings_.get(setting::STOPBIT);
    QObject *context = session_.follow(*session, values.port);
    QObject::connect(session, &TransferSession::jobStatus, context, [this](const QString &text) { view_.setStatusText(text); });
    QObject::connect(session, &TransferSession::lineReceived, context, [this](const QString &line, const QString &status) {
        // A reception for compare leaves the editor and the index alone.
        if (!capture_) {
            if (isNumberedOLine(line))
                view_.addProgram(line);
            view_.showReceivedLine(line);
        }
        view_.setStatusText(status);
    });
    QObject::connect(session, &TransferSession::receiveFailed, context,
                     [this](ReceiveOutcome outcome) { tellFailure(outcome); });
    QObject::connect(session, &TransferSession::lineFailed, context, [this] { progress_.lineFailed(); });
    QObject::connect(session, &TransferSession::received, context, [this](const Reception &reception) {
        session_.stop();
        if (reception.outcome == SessionOutcome::NotOpened) {
            tellNotOpened(view_, dialogs_);
            cleanUp();
            return;
        }
        finish(reception);
    });
    if (!session->receive(values, kWindowStyle)) {
        session_.stop();
        dialogs_.message(QStringLiteral("この機械は送受信中です"));
        return;
    }
    guard.started = true;
}

void Receiver::finish(const Reception &reception)
{
    const ReceiveOutcome outcome = reception.detail;
    completed_ = reception.outcome == SessionOutcome::Completed;
    endMessage_ = outcome == ReceiveOutcome::EndPercent && completed_ ? QStringLiteral("受信を完了しました。")
                : outcome == ReceiveOutcome::EndDc4 && completed_    ? QStringLiteral("NC機より完了信号DC4を受信しました。")
                                                                      : QString();
    const std::string &text = reception.text;
    // The end is told once what came is in its place: the user who reads
    // "受信を完了しました。" sees the document (or the compare) it speaks of.
    if (capture_) {
        // Only a whole tape is compared; a cancelled one would show every
        // block it did not bring as a difference. Faulty bytes are told,
        // but there are no document lines to mark.
        if (completed_)
            *capture_ = text;
        tellEnd();
        if (reception.faultyBytes > 0)
            reportFaultyBytes(reception, false);
    } else {
        view_.setReceivedText(text);
        tellEnd();
        if (reception.faultyBytes > 0)
            reportFaultyBytes(reception, true);
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

void Receiver::reportFaultyBytes(const Reception &reception, bool markLines)
{
    const std::string &text = reception.text;
    if (markLines)
        view_.markFaultyLines(reception.faultyLines);
    // The lines named after the count, as they now stand in the document.
    QString lines;
    const std::vector<std::size_t> starts = lineStarts(text);
    for (std::size_t wanted : reception.faultyLines) {
        // A byte without a character stays in the text as a control
        // character; the box shows it as "?".
        QString shown = lineText(text, starts, wanted);
        for (QChar &c : shown)
            if (c.unicode() < 0x20)
                c = u'?';
        lines += QStringLiteral("\r%1 行目: %2").arg(wanted + 1).arg(shown);
    }
    dialogs_.information(QStringLiteral("パリティエラーが %1 文字ありました。\r").arg(reception.faultyBytes) + lines,
                         Buttons::Ok);
}

void Receiver::cleanUp()
{
    session_.lockReleased();
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
    dialogs_.error(receiveErrorMessage());
}

void Receiver::cancel()
{
    if (TransferSession *session = session_.current())
        session->cancel();
}

}  // namespace marbolt
