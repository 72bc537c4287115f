#pragma once
// One machine served by the DNC server: it listens on the machine's line
// at all times, so that whatever the control punches out is received
// without a key pressed; keeps each program in the receive folder; answers
// a request program by sending what it asks for; and when the line or
// the port fails, tries again later, less often the longer it fails,
// while the other machines go on. Its transfers are jobs of the machine's
// session; it only decides what comes next.
#include "common/clock.h"
#include "station/dncanswer.h"
#include "station/dnclog.h"
#include "station/dncmachine.h"
#include "station/ncmachine.h"
#include "transfer/transfersession.h"
#include "transfer/transfervalues.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

namespace marbolt {

struct DncMachineConfig {
    QString name;
    TransferValues values;
    DncMachine dnc;
    NcMachine nc;
};

enum class DncPhase {
    Stopped,
    Listening,   // a reception is open: the control may punch at any time
    Answering,   // a request's answer waits for the control or goes out
    Retrying,    // the line failed; it is tried again after a pause
};

// What a list of the served machines shows of one.
struct DncMachineStatus {
    QString machine;
    QString port;
    DncPhase phase = DncPhase::Stopped;
    QString state;      // the phase as the user reads it
    QString program;    // the program received or sent
    qint64 done = 0;    // bytes
    qint64 total = 0;   // bytes of a send; 0 for a reception
    QString block;      // the block on the line, while a program goes out
    QDateTime started;  // when the transfer under way began
    QDateTime finish;   // a send's estimated end (invalid until known)
    QString last;       // what the log said last
};

// How long an answer waits for the control's DC1 after its delay before
// it is given up and the machine is listened to again.
inline constexpr int kAnswerWaitMs = 10 * 60 * 1000;
// The pauses between tries of a failed line: 1 s, doubled at each failure,
// up to a minute.
inline constexpr int kFirstRetryMs = 1000;
inline constexpr int kLongestRetryMs = 60 * 1000;

class DncMachineServer : public QObject {
    Q_OBJECT
public:
    DncMachineServer(TransferSession &session, DncMachineConfig config, DncLog &log, Clock &clock = systemClock(),
                     QObject *parent = nullptr);
    ~DncMachineServer() override;

    void start();
    // Stops what runs (a reception under way is kept as a failed file);
    // finished() follows when the session is idle.
    void stop();
    bool finished() const { return phase_ == DncPhase::Stopped && !session_.busy(); }

    DncPhase phase() const { return phase_; }
    DncMachineStatus status() const;
    const DncMachineConfig &config() const { return config_; }
    // Failures in a row since the line last opened.
    int failures() const { return failures_; }

signals:
    void statusChanged();
    void stopped();

private:
    void listen();
    void received(const Reception &reception);
    void sendFinished(SessionOutcome outcome);
    void store(const Reception &reception);
    void storeFailed(const std::string &text, const QString &why);
    void answer(const DncRequest &request);
    void retryLater(const QString &why);
    QString openFailure() const;
    void giveUpAnswer();
    void lineReached(std::size_t line);
    void setLast(const QString &text);
    void record(const DncEntry &entry);

    TransferSession &session_;
    DncMachineConfig config_;
    DncLog &log_;
    Clock &clock_;
    DncPhase phase_ = DncPhase::Stopped;
    bool stopping_ = false;
    int failures_ = 0;
    QTimer retry_;
    QTimer answerWait_;
    QElapsedTimer opened_;  // since the line last opened
    bool gaveUp_ = false;   // the answer was given up for want of DC1
    QString last_;
    // The answer going out: what the log names, and its lines for the
    // block on the line.
    QString answerProgram_;
    std::string answerText_;
    std::vector<std::size_t> answerLines_;
    std::size_t answerLine_ = 0;
    QDateTime answerFirstByte_;
};

QString phaseText(DncPhase phase);

}  // namespace marbolt
