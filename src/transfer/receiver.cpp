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

// RTS is raised while fewer bytes wait; above the overflow limit the
// reception stops.
constexpr int kRtsLimit = 500;
constexpr int kOverflowLimit = 1000;
// While no byte waits, the loop sleeps this long per pass instead of
// spinning; at 19200 bit/s that is some 17 bytes, far below the limits.
constexpr int kIdleWaitMs = 10;

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
    if (running_)
        return;
    ports_.send.Close();
    ports_.receive.Close();
    running_ = true;
    completed_ = false;
    struct CleanUp {
        Receiver *receiver;
        ~CleanUp() { receiver->cleanUp(); }
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
    state_.recstop = false;
    if (!opening.locked)
        view_.lockForTransfer();
    view_.setStatusText(QStringLiteral("受信中"));
    ports_.receive.WriteByte(kDC1);  // the request to start; its result does not matter

    ReceiveDecoder decoder;
    endMessage_.clear();
    detectCode(decoder);
    receiveLines(decoder);
    const std::string text = decoder.takeText();
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
        return;
    }
    view_.setReceivedText(text);
    tellEnd();
    if (decoder.faultyBytes() > 0)
        reportFaultyBytes(text, decoder, true);
}

void Receiver::tellEnd()
{
    if (!endMessage_.isEmpty())
        dialogs_.information(std::exchange(endMessage_, QString()), Buttons::Ok);
}

bool Receiver::receiveInto(std::string &out)
{
    if (running_)
        return false;
    capture_ = &out;
    receive();
    capture_ = nullptr;
    return completed_;
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

void Receiver::detectCode(ReceiveDecoder &decoder)
{
    while (!state_.recstop) {
        view_.pumpMessages();
        clock_.pass(100, [this] { view_.pumpMessages(); });
        if (ports_.receive.RxCount() < 1)
            continue;
        view_.pumpMessages();
        if (state_.recstop)
            return;
        std::uint8_t b = 0;
        if (!ports_.receive.ReadByte(b))
            continue;  // the next pass looks again
        if (decoder.detect(b))
            return;
    }
}

void Receiver::receiveLines(ReceiveDecoder &decoder)
{
    while (!state_.recstop) {
        view_.pumpMessages();
        int waiting = 0;
        while ((waiting = ports_.receive.RxCount()) >= 1) {
            view_.pumpMessages();
            ports_.receive.SetRts(waiting < kRtsLimit);
            if (waiting > kOverflowLimit) {
                decoder.discardCurrentLine();
                state_.recstop = true;
                dialogs_.error(QStringLiteral("受信バッファがオーバーフローしました。"));
            }
            if (state_.recstop)
                break;
            std::uint8_t b = 0;
            if (!ports_.receive.ReadByte(b)) {
                // Bytes were reported and none came: a line error struck
                // between the count and the read, or the line failed. What
                // came so far stays; nothing is made up for the byte.
                readFailed();
                break;
            }
            switch (decoder.feed(b)) {
            case ReceiveDecoder::Step::Continue:
                break;
            case ReceiveDecoder::Step::EndPercent:
                state_.recstop = true;
                completed_ = true;
                endMessage_ = QStringLiteral("受信を完了しました。");
                break;
            case ReceiveDecoder::Step::EndDc4:
                state_.recstop = true;
                completed_ = true;
                endMessage_ = QStringLiteral("NC機より完了信号DC4を受信しました。");
                break;
            case ReceiveDecoder::Step::LineFinished: {
                const QString line = QString::fromLatin1(decoder.finishedLine());
                // A reception for compare leaves the editor and the index alone.
                if (!capture_) {
                    if (isNumberedOLine(decoder.finishedLine()))
                        view_.addProgram(line);
                    view_.showReceivedLine(line);
                }
                view_.setStatusText(QStringLiteral("%1バイト受信済み").arg(decoder.receivedBytes()));
                break;
            }
            }
            if (state_.recstop)
                break;
        }
        if (state_.recstop || waiting >= 1)
            continue;
        // Nothing waits: sleep a little, so the next pass finds several
        // bytes instead of waking for each one.
        clock_.sleep(kIdleWaitMs);
        if (ports_.receive.WaitForInput(0) == LinePort::InputWait::Gone) {
            // The adapter was pulled or the line closed: end, keeping what came.
            state_.recstop = true;
            dialogs_.error(receiveErrorMessage());
        }
    }
}

void Receiver::cleanUp()
{
    ports_.receive.Close();
    view_.unlockAfterTransfer();
    view_.setStatusText(QString());
    running_ = false;
}

void Receiver::lineError()
{
    state_.recstop = true;
    view_.pumpMessages();
    dialogs_.error(receiveErrorMessage());
    ports_.receive.ClearCommError();
}

void Receiver::readFailed()
{
    // The machine is still punching: stop it first, as cancel does, and
    // only then report. With the state cleared, a line error that the
    // watcher hands over while the port closes finds nothing to stop.
    cancel();
    progress_.stoppedByFailure();
    view_.setStatusText(QString());
    dialogs_.error(receiveErrorMessage());
}

void Receiver::cancel()
{
    ports_.receive.ClearCommError();
    state_.recstop = true;
    ports_.receive.WriteByte(kDC3);
}

}  // namespace marbolt
