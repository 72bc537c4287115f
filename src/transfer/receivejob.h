#pragma once
// One reception as a job: asks the machine with DC1, detects ISO or EIA,
// and decodes what it punches out into NC text until "%", DC4, cancel, a
// failure of the line or an overflowing queue. It is driven by the events
// of the thread it lives on: dataArrived() when the port has bytes, and a
// timer that looks at the port between arrivals. It shows nothing and
// asks nothing: its owner takes the lines and the text from its signals.
#include "common/clock.h"
#include "serial/lineport.h"
#include "transfer/receivedecoder.h"
#include "transfer/transferstate.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>
#include <string>

namespace marbolt {

enum class ReceiveOutcome {
    EndPercent,   // "%" outside a comment ended the tape
    EndDc4,       // the machine's DC4 ended it
    Cancelled,    // cancel() or a line error stopped it
    Overflow,     // more bytes waited than the queue allows
    ReadFailed,   // bytes were reported and could not be read
    LineGone,     // the adapter was pulled or the connection closed
};
// The tape came whole.
constexpr bool isComplete(ReceiveOutcome outcome)
{
    return outcome == ReceiveOutcome::EndPercent || outcome == ReceiveOutcome::EndDc4;
}
// The reception ended by a failure of its own (told to the user at once).
constexpr bool isFailure(ReceiveOutcome outcome)
{
    return outcome == ReceiveOutcome::Overflow || outcome == ReceiveOutcome::ReadFailed
        || outcome == ReceiveOutcome::LineGone;
}

class ReceiveJob : public QObject {
    Q_OBJECT
public:
    // The port is open and set up; the job closes nothing. lookMs: how
    // often it looks at the port when no arrival was announced (often for
    // a port that announces none).
    ReceiveJob(LinePort &port, TransferState &state, Clock &clock, int lookMs, QObject *parent = nullptr);

    void start();
    // The port has bytes.
    void dataArrived();
    // Stops the machine with DC3 and ends.
    void cancel();
    // A line error: ends without DC3 (the owner tells it, and cancels).
    void stop();

    bool running() const { return started_ && !outcome_; }
    std::optional<ReceiveOutcome> outcome() const { return outcome_; }
    const ReceiveDecoder &decoder() const { return decoder_; }
    std::string takeText() { return decoder_.takeText(); }

signals:
    void statusChanged(const QString &text);
    // A line ended (trimmed, as its Latin-1 text).
    void lineReceived(const QString &line);
    // A failure ended the reception; done follows.
    void failed(ReceiveOutcome outcome);
    void done(ReceiveOutcome outcome);

private:
    void look();
    void detect();
    void takeBytes();
    void end(ReceiveOutcome outcome);
    void finish();

    LinePort &port_;
    TransferState &state_;
    Clock &clock_;
    int lookMs_;
    QTimer timer_;
    ReceiveDecoder decoder_;
    bool started_ = false;
    bool detected_ = false;
    std::optional<ReceiveOutcome> ending_;  // decided, not yet told
    std::optional<ReceiveOutcome> outcome_;
};

}  // namespace marbolt
