#include "transfer/receivejob.h"

#include "serial/punchcodes.h"

namespace marbolt {

namespace {

// RTS is raised while fewer bytes wait; above the overflow limit the
// reception stops.
constexpr int kRtsLimit = 500;
constexpr int kOverflowLimit = 1000;
// A connection that holds its backlog (a device server over TCP) loses
// nothing while the program is busy elsewhere; only a runaway is stopped.
constexpr int kBacklogLimit = 1 << 22;
// Until the code is known the job takes one byte a look, this often: a
// leader of feed characters is passed slowly, and a machine at line speed
// is held by the port's own XOFF meanwhile.
constexpr int kDetectLookMs = 100;

}  // namespace

ReceiveJob::ReceiveJob(LinePort &port, TransferState &state, Clock &clock, int lookMs, QObject *parent)
    : QObject(parent), port_(port), state_(state), clock_(clock), lookMs_(lookMs)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ReceiveJob::look);
}

void ReceiveJob::start()
{
    if (started_)
        return;
    started_ = true;
    state_.recstop = false;
    emit statusChanged(QStringLiteral("受信中"));
    port_.WriteByte(kDC1);  // the request to start; its result does not matter
    timer_.start(clock_.timerLength(kDetectLookMs));
}

void ReceiveJob::dataArrived()
{
    if (!running() || ending_)
        return;
    if (!detected_ && port_.RxCount() > kRtsLimit)
        detect();
    if (detected_)
        takeBytes();
}

void ReceiveJob::detect()
{
    std::uint8_t b = 0;
    if (port_.RxCount() >= 1 && port_.ReadByte(b))
        detected_ = decoder_.detect(b);
    // A machine that is not held while the leader is passed (a device
    // server on the network has no XOFF of the port's own) would fill the
    // queue past its limit: what waits beyond the RTS limit is passed at once.
    while (!detected_ && port_.RxCount() > kRtsLimit && port_.ReadByte(b))
        detected_ = decoder_.detect(b);
}

void ReceiveJob::look()
{
    if (!running() || ending_)
        return;
    if (state_.recstop) {
        end(ReceiveOutcome::Cancelled);
        return;
    }
    if (!detected_) {
        detect();
        if (!detected_) {
            timer_.start(clock_.timerLength(kDetectLookMs));
            return;
        }
    }
    takeBytes();
    if (ending_)
        return;
    if (port_.WaitForInput(0) == LinePort::InputWait::Gone) {
        // The adapter was pulled or the line closed: end, keeping what came.
        end(ReceiveOutcome::LineGone);
        return;
    }
    timer_.start(clock_.timerLength(lookMs_));
}

void ReceiveJob::takeBytes()
{
    int waiting = 0;
    while (!ending_ && !state_.recstop && (waiting = port_.RxCount()) >= 1) {
        std::uint8_t b = 0;
        port_.SetRts(waiting < kRtsLimit);
        if (waiting > (port_.keepsBacklog() ? kBacklogLimit : kOverflowLimit)) {
            decoder_.discardCurrentLine();
            end(ReceiveOutcome::Overflow);
            return;
        }
        if (!port_.ReadByte(b)) {
            // Bytes were reported and none came: a line error struck
            // between the count and the read, or the line failed. What came
            // so far stays; the machine is stopped as cancel stops it.
            port_.ClearCommError();
            port_.WriteByte(kDC3);
            end(ReceiveOutcome::ReadFailed);
            return;
        }
        switch (decoder_.feed(b)) {
        case ReceiveDecoder::Step::Continue:
            break;
        case ReceiveDecoder::Step::EndPercent:
            end(ReceiveOutcome::EndPercent);
            return;
        case ReceiveDecoder::Step::EndDc4:
            end(ReceiveOutcome::EndDc4);
            return;
        case ReceiveDecoder::Step::LineFinished:
            emit lineReceived(QString::fromLatin1(decoder_.finishedLine()));
            emit statusChanged(QStringLiteral("%1バイト受信済み").arg(decoder_.receivedBytes()));
            break;
        }
    }
    if (state_.recstop && !ending_)
        end(ReceiveOutcome::Cancelled);
}

void ReceiveJob::end(ReceiveOutcome outcome)
{
    if (ending_)
        return;
    ending_ = outcome;
    state_.recstop = true;
    timer_.stop();
    if (isFailure(outcome))
        emit failed(outcome);
    // Told from the event loop, never from inside the caller's step.
    QMetaObject::invokeMethod(this, &ReceiveJob::finish, Qt::QueuedConnection);
}

void ReceiveJob::finish()
{
    if (outcome_ || !ending_)
        return;
    outcome_ = ending_;
    emit done(*outcome_);
}

void ReceiveJob::cancel()
{
    // The machine is told to stop even when the job has just ended: the
    // port is open until the owner closes it.
    if (!started_)
        return;
    port_.ClearCommError();
    state_.recstop = true;
    port_.WriteByte(kDC3);
    end(ReceiveOutcome::Cancelled);
}

void ReceiveJob::stop()
{
    if (running())
        end(ReceiveOutcome::Cancelled);
}

}  // namespace marbolt
