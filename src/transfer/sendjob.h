#pragma once
// One send as a job: prepared bytes out of an open port, paced by the
// machine's DC1/DC3, with tape-puncher framing, the pacing waits, the
// remaining-bytes text, progress and the send log. It is driven by the
// events of the thread it lives on: each byte is a step of its own, the
// machine's handshake comes in through handshake() between two steps, and
// every wait is a timer. Nothing blocks but the write of one byte, which
// lasts its time on the line; nothing here asks the user anything.
#include "common/clock.h"
#include "serial/lineport.h"
#include "transfer/senddata.h"
#include "transfer/transferstate.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <optional>
#include <vector>

namespace marbolt {

struct SendPlan {
    SendData data;             // what goes on the line, in order
    std::string text;          // the same before its punch code, for the transfer's record
    int speed = 0;             // the line's bits a second, for the pacing points
    int wait = 0;              // WAIT: milliseconds at each pacing point
    bool tape = false;         // TAPE: DC2, feed, the bytes, feed, DC4
    int feed = 0;              // feed characters before and after (and between programs)
    bool feedBetweenPrograms = false;  // a whole document: feed before each later O-line
    bool sendRequest = false;  // SE: the first byte waits for the machine's DC1
    // The first byte goes out no sooner than this after the start (an
    // operator switches the control to read meanwhile). With sendRequest
    // a DC1 that came during the delay counts: the port is open from the
    // start, so the control's one DC1 is not lost.
    int startDelayMs = 0;
    // How often a send held by DC3 looks again when no DC1 came in between.
    int holdLookMs = 10;
    bool startStopped = false;  // a cancel that came before the job (a repeat's pause)
    // The lines of the text that was prepared (its line starts, in bytes
    // of the sent data's source) and the line the first one is: the job
    // tells when the byte on the line enters another line.
    std::vector<std::size_t> lineStarts;
    std::size_t firstLine = 0;
    // A whole-document send with the log on: the line is appended there.
    struct Log {
        QString path;
        QString documentName;  // the file name, "" for an untitled one
    };
    std::optional<Log> log;
};

// Reads the DC1 and DC3 waiting on a send port into state's permission.
// False when a byte was announced and could not be read.
bool readHandshake(LinePort &port, TransferState &state);

enum class SendOutcome {
    Completed,    // every byte went out
    Cancelled,    // cancel() stopped it
    WriteFailed,  // the port refused a byte
};

class SendJob : public QObject {
    Q_OBJECT
public:
    // The port is open and set up; the job closes nothing. state holds the
    // job's stop and permission flags for whoever shows them.
    SendJob(LinePort &port, SendPlan plan, TransferState &state, Clock &clock, QObject *parent = nullptr);

    void start();
    // DC1 and DC3 waiting on the port.
    void handshake();
    // Stops at the next byte; a tape still gets its DC4. A cancel in the
    // second after the last byte changes nothing: the send is whole.
    void cancel();
    // Every 5 s while the job runs: the measured rate.
    void rateTick();

    bool running() const { return phase_ != Phase::Idle && phase_ != Phase::Done; }
    bool finished() const { return phase_ == Phase::Done; }
    std::optional<SendOutcome> outcome() const { return outcome_; }
    long long rate() const { return sendrate_; }
    int seconds() const { return sendsec_; }
    std::size_t bytesSent() const { return k_; }
    std::size_t totalBytes() const { return plan_.data.bytes.size(); }

signals:
    void statusChanged(const QString &text);  // panel 0's text
    void progressShown(int maximum);
    void progressed(int position);
    void lineReached(std::size_t line);
    // The last byte of the text is out (the tape's end and the machine's
    // second follow).
    void dataSent();
    // A handshake byte was announced and could not be read.
    void handshakeReadFailed();
    // A byte could not be written; the send stops.
    void writeFailed();
    // The send log could not be appended to: the message to show.
    void logFailed(const QString &message);
    void done(SendOutcome outcome);

private:
    enum class Phase { Idle, AwaitingRequest, Feeding, Data, Ending, Done };
    // Where a run of feed characters goes on to: the bytes (at the stage
    // they were left), or the tape's end.
    enum class AfterFeed { Data, Trailer };
    // How far byte k_ has come. Once it is past its first look at the
    // stop (held by DC3, paced, fed), it goes out even if a cancel came.
    enum class Stage { Check, Held, Paced, Write };

    void beginSending();
    void awaitRequest();
    void step();
    void next();
    void feedStep();
    void dataStep();
    void pace();
    void lookForHandshake();
    void toWrite();
    void paced();
    void writeData();
    void endData();
    void trailer();
    void finish();
    void wait(int ms);
    void startFeed(AfterFeed then);
    void failWrite();

    LinePort &port_;
    SendPlan plan_;
    TransferState &state_;
    Clock &clock_;
    QTimer timer_;  // the one wait running: a hold, a pacing point, the end
    QElapsedTimer started_;  // since start(), for the start delay
    int startDelay_ = 0;     // the start delay as the clock has it run
    Phase phase_ = Phase::Idle;
    Stage stage_ = Stage::Check;
    AfterFeed afterFeed_ = AfterFeed::Data;
    int feedLeft_ = 0;
    bool stepQueued_ = false;
    bool failed_ = false;
    std::size_t k_ = 0;
    std::size_t line_ = 0;
    long long sendrate_ = 0;
    int sendsec_ = 0;
    int position_ = 0;
    std::optional<SendOutcome> outcome_;
};

}  // namespace marbolt
