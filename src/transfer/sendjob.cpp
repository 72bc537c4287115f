#include "transfer/sendjob.h"

#include "document/textlines.h"
#include "serial/punchcodes.h"
#include "transfer/sendlog.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

namespace marbolt {

namespace {

// How often a send that awaits the machine's first DC1, or is held in a
// feed, looks again when no handshake came in between.
constexpr int kRequestLookMs = 100;
// The machine's second to take the end in.
constexpr int kEndMs = 1000;

int clampedInt(std::size_t n)
{
    return static_cast<int>(std::min<std::size_t>(n, INT_MAX));
}

}  // namespace

SendJob::SendJob(LinePort &port, SendPlan plan, TransferState &state, Clock &clock, QObject *parent)
    : QObject(parent), port_(port), plan_(std::move(plan)), state_(state), clock_(clock)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);  // a coarse one may end 5 % early
    connect(&timer_, &QTimer::timeout, this, &SendJob::step);
}

void SendJob::start()
{
    if (phase_ != Phase::Idle)
        return;
    state_.sendstop = plan_.startStopped;
    state_.sendok = true;
    emit statusChanged(QStringLiteral("送信待機中"));
    started_.start();
    startDelay_ = plan_.startDelayMs > 0 ? clock_.timerLength(plan_.startDelayMs) : 0;
    if (plan_.sendRequest || startDelay_ > 0) {
        // The machine asks with DC1; no time limit, only cancel ends it.
        if (plan_.sendRequest)
            state_.sendok = false;
        phase_ = Phase::AwaitingRequest;
        awaitRequest();
        return;
    }
    beginSending();
}

void SendJob::awaitRequest()
{
    const qint64 delayLeft = startDelay_ - started_.elapsed();
    if (state_.sendstop || (state_.sendok && delayLeft <= 0)) {
        beginSending();
        return;
    }
    // The DC1 ends a look at once (handshake()); the delay's end is waited for.
    if (delayLeft > 0)
        timer_.start(static_cast<int>(std::min<qint64>(delayLeft, kRequestLookMs)));
    else
        wait(kRequestLookMs);
}

void SendJob::beginSending()
{
    emit statusChanged(QStringLiteral("送信中"));
    emit progressShown(clampedInt(plan_.data.bytes.size()));
    k_ = 0;
    line_ = plan_.firstLine;
    sendrate_ = plan_.speed / 12;
    sendsec_ = 0;
    position_ = 0;
    stage_ = Stage::Check;
    if (plan_.tape) {
        port_.WriteByte(kDC2);  // its result does not matter; the writes that follow tell
        startFeed(AfterFeed::Data);
        return;
    }
    phase_ = Phase::Data;
    next();
}

void SendJob::next()
{
    if (stepQueued_)
        return;
    stepQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { step(); }, Qt::QueuedConnection);
}

void SendJob::wait(int ms)
{
    const int length = clock_.timerLength(ms);
    if (length <= 0)
        next();
    else
        timer_.start(length);
}

void SendJob::step()
{
    stepQueued_ = false;
    if (timer_.isActive())
        return;  // a wait runs; its end or the handshake goes on
    switch (phase_) {
    case Phase::AwaitingRequest:
        awaitRequest();
        return;
    case Phase::Feeding:
        feedStep();
        return;
    case Phase::Data:
        dataStep();
        return;
    case Phase::Ending:
        finish();
        return;
    case Phase::Idle:
    case Phase::Done:
        return;
    }
}

void SendJob::startFeed(AfterFeed then)
{
    phase_ = Phase::Feeding;
    afterFeed_ = then;
    feedLeft_ = std::max(0, plan_.feed);
    next();
}

void SendJob::feedStep()
{
    if (state_.sendstop)
        feedLeft_ = 0;  // a stopped feed ends at once
    if (feedLeft_ > 0) {
        if (!state_.sendok) {
            wait(kRequestLookMs);
            return;
        }
        if (!port_.WriteByte(plan_.data.feedchar)) {
            failWrite();
            feedLeft_ = 0;
        } else {
            --feedLeft_;
            next();
            return;
        }
    }
    switch (afterFeed_) {
    case AfterFeed::Data:
        phase_ = Phase::Data;
        next();
        return;
    case AfterFeed::Trailer:
        port_.WriteByte(kDC4);
        phase_ = Phase::Ending;
        wait(kEndMs);
        return;
    }
}

void SendJob::dataStep()
{
    if (k_ >= plan_.data.bytes.size() || (stage_ == Stage::Check && state_.sendstop)) {
        endData();
        return;
    }
    switch (stage_) {
    case Stage::Check:
        lookForHandshake();
        if (!state_.sendok) {
            stage_ = Stage::Held;
            wait(plan_.holdLookMs);  // held by DC3
            return;
        }
        pace();
        return;
    case Stage::Held:
        lookForHandshake();
        if (!state_.sendok && !state_.sendstop) {
            wait(plan_.holdLookMs);
            return;
        }
        pace();
        return;
    case Stage::Paced:
        paced();
        toWrite();
        return;
    case Stage::Write:
        writeData();
        return;
    }
}

void SendJob::pace()
{
    stage_ = Stage::Paced;
    if (isPacingPoint(k_, plan_.speed)) {
        wait(plan_.wait);
        return;
    }
    toWrite();
}

void SendJob::toWrite()
{
    // Tape: a later program's O-line gets its feed before it.
    stage_ = Stage::Write;
    if (plan_.tape && plan_.feedBetweenPrograms && isProgramBoundary(plan_.data.bytes, k_)) {
        startFeed(AfterFeed::Data);
        return;
    }
    writeData();
}

void SendJob::paced()
{
    position_ = clampedInt(k_);
    emit progressed(position_);
    const auto remaining = static_cast<long long>(plan_.data.bytes.size() - k_);
    emit statusChanged(remainingText(remaining, sendrate_, plan_.speed));
}

void SendJob::writeData()
{
    if (!port_.WriteByte(static_cast<std::uint8_t>(plan_.data.bytes[k_]))) {
        failWrite();
        endData();
        return;
    }
    ++k_;
    stage_ = Stage::Check;
    const std::size_t line = plan_.firstLine + lineAt(plan_.lineStarts, k_);
    if (line != line_) {
        line_ = line;
        emit lineReached(line);
    }
    next();
}

void SendJob::endData()
{
    emit dataSent();
    if (plan_.tape) {
        startFeed(AfterFeed::Trailer);  // ends at once after a stop
        return;
    }
    // The machine's second to take the end in; a cancel in it would only
    // mark a whole send as stopped in the log.
    phase_ = Phase::Ending;
    wait(kEndMs);
}

void SendJob::failWrite()
{
    failed_ = true;
    state_.sendstop = true;
    emit writeFailed();
}

void SendJob::finish()
{
    if (plan_.log) {
        const QString line = sendLogLine(clock_.now(), plan_.log->documentName, state_.sendstop);
        if (const auto error = appendSendLog(plan_.log->path, line))
            emit logFailed(*error);
    }
    outcome_ = failed_ ? SendOutcome::WriteFailed
             : state_.sendstop ? SendOutcome::Cancelled
                               : SendOutcome::Completed;
    phase_ = Phase::Done;
    emit done(*outcome_);
}

bool readHandshake(LinePort &port, TransferState &state)
{
    // Reads while bytes wait. A read that fails although bytes were
    // reported ends this arrival: reading on would fail without end.
    while (port.RxCount() > 0) {
        std::uint8_t b = 0;
        if (!port.ReadByte(b))
            return false;
        if (b == kDC1)
            state.sendok = true;
        else if (b == kDC3)
            state.sendok = false;
    }
    return true;
}

void SendJob::lookForHandshake()
{
    // The machine's DC3 is looked for before every byte, not only when the
    // port's watcher tells of it: however late its event comes on a busy
    // PC, the byte after the one on the line is held. A read that fails
    // is left to the watcher's event, which tells it.
    if (port_.WaitForInput(0) == LinePort::InputWait::Waiting)
        readHandshake(port_, state_);
}

void SendJob::handshake()
{
    if (!readHandshake(port_, state_))
        emit handshakeReadFailed();
    // A send that waited for the permission goes on now.
    const bool waiting = phase_ == Phase::AwaitingRequest || (phase_ == Phase::Data && stage_ == Stage::Held)
                      || phase_ == Phase::Feeding;
    if (state_.sendok && waiting && timer_.isActive()) {
        timer_.stop();
        next();
    }
}

void SendJob::cancel()
{
    if (phase_ == Phase::Ending || phase_ == Phase::Done || phase_ == Phase::Idle)
        return;
    // Lets a port that aborted on a line error write again, then stops.
    port_.ClearCommError();
    state_.sendstop = true;
    if (phase_ != Phase::Data || stage_ == Stage::Held) {
        // A hold or the wait for DC1 ends now; a pacing wait runs out.
        if (timer_.isActive()) {
            timer_.stop();
            next();
        }
    }
}

void SendJob::rateTick()
{
    if (phase_ != Phase::Feeding && phase_ != Phase::Data && phase_ != Phase::Ending)
        return;
    sendsec_ += 5;
    sendrate_ = roundHalfEven(static_cast<double>(position_) / sendsec_);
}

}  // namespace marbolt
