#include "transfer/transfersession.h"

#include "document/olines.h"
#include "serial/comthd.h"
#include "serial/rs232c.h"
#include "transfer/portsetup.h"

#include <atomic>
#include <cstring>
#include <optional>
#include <utility>

namespace marbolt {

namespace {

// A session's receive port announces its arrivals; between them the job
// looks only to notice a line that went away.
constexpr int kReceiveLookMs = 100;

SessionOutcome fromSend(SendOutcome outcome)
{
    switch (outcome) {
    case SendOutcome::Completed:
        return SessionOutcome::Completed;
    case SendOutcome::Cancelled:
        return SessionOutcome::Cancelled;
    case SendOutcome::WriteFailed:
        break;
    }
    return SessionOutcome::Failed;
}

}  // namespace

// The part of a session that lives on its thread: the ports and the job.
class SessionWorker : public QObject {
public:
    SessionWorker(TransferSession &session, Clock &clock, SerialSystem &serial)
        : session_(session), clock_(clock), serial_(&serial)
    {
    }
    SessionWorker(TransferSession &session, Clock &clock, SessionPorts ports)
        : session_(session), clock_(clock), send_(&ports.send), receive_(&ports.receive)
    {
    }
    ~SessionWorker() override
    {
        sendJob_.reset();
        receiveJob_.reset();
        if (send_)
            send_->Close();
        if (receive_)
            receive_->Close();
    }

    void send(SendPlan plan, QString program, TransferValues values);
    void receive(TransferValues values, ReceiveStyle style);
    void cancel();
    void handshake();
    void lineError();
    void rateTick();
    void withPorts(const std::function<void(Trs232c &, Trs232c &)> &f);
    std::atomic<bool> cancelRequested{false};
    std::atomic<bool> portOpen{false};
    TransferState state;

private:
    void makePorts();
    // Opens a port for a transfer: nullopt when it opened, else how the
    // transfer ends (the user gave a connection up, or it failed).
    std::optional<SessionOutcome> open(LinePort &port);
    void closePorts();
    void update(SessionState state, const QString &text = QString());
    void progress(qint64 done);
    void endSend(SessionOutcome outcome);
    void endReceive(Reception reception);

    TransferSession &session_;
    Clock &clock_;
    SerialSystem *serial_ = nullptr;  // for ports of the session's own
    std::unique_ptr<Trs232c> ownSend_;
    std::unique_ptr<Trs232c> ownReceive_;
    LinePort *send_ = nullptr;
    LinePort *receive_ = nullptr;
    std::unique_ptr<SendJob> sendJob_;
    std::unique_ptr<ReceiveJob> receiveJob_;
    bool lineFailed_ = false;
    bool keepReceiveOpen_ = false;  // the running reception's style
    bool receiveKeptOpen_ = false;  // the receive port stayed open after the last one
    std::optional<QString> lineUntold_;  // a received line, told with the count that follows it
    SessionStatus status_;
    // The transfer under way, for its record: started when its first byte moved.
    TransferRecord record_;
    void firstByteMoved()
    {
        if (!record_.started.isValid())
            record_.started = clock_.now();
    }
    void recordEnd(SessionOutcome outcome, qint64 bytes);
};

void SessionWorker::makePorts()
{
    if (send_)
        return;
    ownSend_ = std::make_unique<Trs232c>(LineSettings::sendPortDefaults(), *serial_);
    ownReceive_ = std::make_unique<Trs232c>(LineSettings::receivePortDefaults(), *serial_);
    send_ = ownSend_.get();
    receive_ = ownReceive_.get();
    ownSend_->OnRXCHAR = [this](tcommthread &) { handshake(); };
    ownReceive_->OnERR = [this](tcommthread &) { lineError(); };
}

void SessionWorker::withPorts(const std::function<void(Trs232c &, Trs232c &)> &f)
{
    makePorts();
    if (ownSend_)
        f(*ownSend_, *ownReceive_);
}

std::optional<SessionOutcome> SessionWorker::open(LinePort &port)
{
    bool opened = false;
    if (port.OpenWaits()) {
        update(SessionState::Connecting, QStringLiteral("接続中"));
        const LinePort::OpenWait wait{[] {}, [this] { return cancelRequested.load(); }};
        opened = port.Open(wait);
    } else {
        opened = port.Open();
    }
    if (!opened) {
        if (port.OpenAborted())
            return SessionOutcome::Cancelled;
        const int error = port.lastError();
        status_.openError = error ? QString::fromLocal8Bit(std::strerror(error)) : QString();
        session_.publish(status_);
        return SessionOutcome::NotOpened;
    }
    portOpen = true;
    emit session_.portOpened();
    return std::nullopt;
}

void SessionWorker::closePorts()
{
    send_->Close();
    receive_->Close();
    receiveKeptOpen_ = false;
    portOpen = false;
}

void SessionWorker::update(SessionState state, const QString &text)
{
    status_.state = state;
    status_.text = text;
    session_.publish(status_);
}

void SessionWorker::progress(qint64 done)
{
    status_.done = done;
    session_.publish(status_);
}

void SessionWorker::send(SendPlan plan, QString program, TransferValues values)
{
    makePorts();
    receive_->Close();
    receiveKeptOpen_ = false;
    status_ = SessionStatus{};
    status_.program = std::move(program);
    status_.total = static_cast<qint64>(plan.data.bytes.size());
    record_ = TransferRecord{};
    record_.direction = RecordDirection::Send;
    record_.port = values.port;
    record_.text = std::move(plan.text);
    setUpSendPort(*send_, values.speed, values.port, values.stopbit);
    if (const auto failed = open(*send_)) {
        endSend(*failed);
        return;
    }
    // A cancel that came while the port opened stops the job at its first wait.
    plan.startStopped = cancelRequested.exchange(false) || plan.startStopped;
    sendJob_ = std::make_unique<SendJob>(*send_, std::move(plan), state, clock_);
    SendJob *job = sendJob_.get();
    TransferSession *session = &session_;
    connect(job, &SendJob::statusChanged, this, [this](const QString &text) {
        const SessionState state = text == QStringLiteral("送信待機中") ? SessionState::Waiting : SessionState::Sending;
        update(state, text);
        emit session_.jobStatus(text);
    });
    connect(job, &SendJob::progressShown, session, &TransferSession::progressShown);
    connect(job, &SendJob::progressed, this, [this](int position) {
        if (position > 0)
            firstByteMoved();
        progress(position);
        emit session_.progressed(position);
    });
    connect(job, &SendJob::lineReached, session, &TransferSession::lineReached);
    connect(job, &SendJob::dataSent, this, [this, job] {
        status_.done = static_cast<qint64>(job->bytesSent());
        update(SessionState::Ending, status_.text);
        emit session_.dataSent();
    });
    connect(job, &SendJob::handshakeReadFailed, session, &TransferSession::handshakeReadFailed);
    connect(job, &SendJob::writeFailed, session, &TransferSession::writeFailed);
    connect(job, &SendJob::logFailed, session, &TransferSession::logFailed);
    connect(job, &SendJob::done, this, [this](SendOutcome outcome) { endSend(fromSend(outcome)); });
    job->start();
    emit session_.rateMeasured(job->rate(), job->seconds());
}

void SessionWorker::endSend(SessionOutcome outcome)
{
    recordEnd(outcome, sendJob_ ? static_cast<qint64>(sendJob_->bytesSent()) : 0);
    if (sendJob_) {
        emit session_.rateMeasured(sendJob_->rate(), sendJob_->seconds());
        sendJob_.release()->deleteLater();  // its own signal is on the stack
    }
    closePorts();
    cancelRequested = false;
    update(SessionState::Idle);
    emit session_.sendFinished(outcome);
}

void SessionWorker::receive(TransferValues values, ReceiveStyle style)
{
    makePorts();
    send_->Close();
    status_ = SessionStatus{};
    lineFailed_ = false;
    if (ownReceive_) {
        // A port told to announce its arrivals watches for them; one that
        // is not is only looked at.
        if (style.arrivals)
            ownReceive_->OnRXCHAR = [this](tcommthread &) {
                if (receiveJob_)
                    receiveJob_->dataArrived();
            };
        else
            ownReceive_->OnRXCHAR = nullptr;
    }
    keepReceiveOpen_ = style.keepOpen;
    record_ = TransferRecord{};
    record_.direction = RecordDirection::Receive;
    record_.port = values.port;
    if (!std::exchange(receiveKeptOpen_, false)) {
        setUpReceivePort(*receive_, values.speed, values.port, values.stopbit);
        if (const auto failed = open(*receive_)) {
            Reception reception;
            reception.outcome = *failed;
            endReceive(std::move(reception));
            return;
        }
    } else {
        emit session_.portOpened();
    }
    lineUntold_.reset();
    receiveJob_ = std::make_unique<ReceiveJob>(*receive_, state, clock_, style.lookMs);
    ReceiveJob *job = receiveJob_.get();
    TransferSession *session = &session_;
    // A line and the count after it go to the owner as one: a window
    // never shows the one without the other.
    connect(job, &ReceiveJob::lineReceived, this, [this](const QString &line) {
        if (isNumberedOLine(line))
            status_.program = line;
        lineUntold_ = line;
    });
    connect(job, &ReceiveJob::statusChanged, this, [this, job](const QString &text) {
        status_.done = job->decoder().receivedBytes();
        if (status_.done > 0)
            firstByteMoved();
        update(SessionState::Receiving, text);
        if (lineUntold_)
            emit session_.lineReceived(*std::exchange(lineUntold_, std::nullopt), text);
        else
            emit session_.jobStatus(text);
    });
    connect(job, &ReceiveJob::failed, session, &TransferSession::receiveFailed);
    connect(job, &ReceiveJob::done, this, [this, job](ReceiveOutcome outcome) {
        Reception reception;
        reception.detail = outcome;
        reception.outcome = isComplete(outcome) ? SessionOutcome::Completed
                          : isFailure(outcome) || lineFailed_ ? SessionOutcome::Failed
                                                              : SessionOutcome::Cancelled;
        reception.faultyBytes = job->decoder().faultyBytes();
        reception.faultyLines = job->decoder().faultyLines();
        reception.text = job->takeText();
        endReceive(std::move(reception));
    });
    job->start();
    if (cancelRequested.exchange(false))
        job->cancel();
}

void SessionWorker::endReceive(Reception reception)
{
    if (session_.recorder())
        record_.text = reception.text;
    if (reception.faultyBytes > 0)
        record_.detail = QStringLiteral("パリティエラー %1 バイト").arg(reception.faultyBytes);
    recordEnd(reception.outcome, static_cast<qint64>(reception.text.size()));
    if (receiveJob_)
        receiveJob_.release()->deleteLater();
    if (keepReceiveOpen_ && reception.outcome == SessionOutcome::Completed && !lineFailed_) {
        receiveKeptOpen_ = true;
        send_->Close();
    } else {
        closePorts();
    }
    cancelRequested = false;
    update(SessionState::Idle);
    emit session_.received(reception);
}

void SessionWorker::recordEnd(SessionOutcome outcome, qint64 bytes)
{
    // Only what reached the line is a transfer: a listen that heard
    // nothing, or a send given up before its first byte, is not.
    TransferRecorder *recorder = session_.recorder();
    const bool blank = record_.text.find_first_not_of(" \t\r\n%") == std::string::npos;
    if (!recorder || bytes <= 0 || blank) {
        record_ = TransferRecord{};
        return;
    }
    record_.machine = session_.machine();
    record_.ended = clock_.now();
    if (!record_.started.isValid())
        record_.started = record_.ended;
    record_.bytes = bytes;
    record_.outcome = outcome == SessionOutcome::Completed ? RecordOutcome::Completed
                    : outcome == SessionOutcome::Cancelled ? RecordOutcome::Cancelled
                                                           : RecordOutcome::Failed;
    recorder->record(std::exchange(record_, TransferRecord{}));
}

void SessionWorker::cancel()
{
    // A cancel the start of the job has taken already is not given twice:
    // a reception's cancel punches DC3 each time.
    const bool requested = cancelRequested.exchange(false);
    if (sendJob_ && sendJob_->running()) {
        if (requested)
            sendJob_->cancel();
    } else if (receiveJob_ && receiveJob_->running()) {
        if (requested)
            receiveJob_->cancel();
    } else {
        state.sendstop = true;
        state.recstop = true;
    }
}

void SessionWorker::handshake()
{
    if (sendJob_ && sendJob_->running())
        sendJob_->handshake();
    else if (send_ && !readHandshake(*send_, state))
        emit session_.handshakeReadFailed();
}

void SessionWorker::lineError()
{
    if (!receiveJob_ || !receiveJob_->running())
        return;
    // The line failed: the machine is stopped, and what came is kept.
    lineFailed_ = true;
    emit session_.lineFailed();
    receiveJob_->stop();
    receive_->ClearCommError();
    receiveJob_->cancel();
}

void SessionWorker::rateTick()
{
    if (sendJob_ && sendJob_->running()) {
        sendJob_->rateTick();
        emit session_.rateMeasured(sendJob_->rate(), sendJob_->seconds());
    }
}

TransferSession::TransferSession(QString machine, TransferValues values, Clock &clock, SerialSystem &serial,
                                 QObject *parent)
    : QObject(parent), machine_(std::move(machine)), values_(std::move(values))
{
    thread_.setObjectName(QStringLiteral("session ") + machine_);
    worker_ = new SessionWorker(*this, clock, serial);
    worker_->moveToThread(&thread_);
    thread_.start();
}

TransferSession::TransferSession(QString machine, SessionPorts ports, Clock &clock, QObject *parent)
    : QObject(parent), machine_(std::move(machine))
{
    worker_ = new SessionWorker(*this, clock, ports);
}

TransferSession::~TransferSession()
{
    SessionWorker *worker = worker_;
    worker->cancelRequested = true;
    if (!thread_.isRunning()) {
        delete worker;
        return;
    }
    // The ports close on the thread they were opened on.
    QMetaObject::invokeMethod(worker, [worker] { delete worker; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void TransferSession::onWorker(std::function<void()> f)
{
    if (QThread::currentThread() == worker_->thread())
        f();
    else
        QMetaObject::invokeMethod(worker_, std::move(f), Qt::QueuedConnection);
}

QString TransferSession::port() const
{
    std::lock_guard lock(mutex_);
    return values_.port;
}

void TransferSession::setValues(TransferValues values)
{
    std::lock_guard lock(mutex_);
    values_ = std::move(values);
}

std::optional<TransferValues> TransferSession::claim(const QString &program)
{
    std::lock_guard lock(mutex_);
    if (status_.state != SessionState::Idle)
        return std::nullopt;
    status_ = SessionStatus{};
    status_.state = SessionState::Connecting;
    status_.program = program;
    worker_->cancelRequested = false;
    return values_;
}

bool TransferSession::send(SendPlan plan, QString program)
{
    std::optional<TransferValues> values = claim(program);
    if (!values)
        return false;
    startSend(std::move(plan), std::move(program), std::move(*values));
    return true;
}

bool TransferSession::send(SendPlan plan, QString program, TransferValues values)
{
    if (!claim(program))
        return false;
    startSend(std::move(plan), std::move(program), std::move(values));
    return true;
}

void TransferSession::startSend(SendPlan plan, QString program, TransferValues values)
{
    // Always queued: the caller connects to the job's signals first.
    SessionWorker *worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, plan = std::move(plan), program = std::move(program), values = std::move(values)]() mutable {
            worker->send(std::move(plan), std::move(program), std::move(values));
        },
        Qt::QueuedConnection);
}

bool TransferSession::receive()
{
    std::optional<TransferValues> values = claim(QString());
    if (!values)
        return false;
    startReceive(std::move(*values), ReceiveStyle{});
    return true;
}

bool TransferSession::receive(TransferValues values, ReceiveStyle style)
{
    if (!claim(QString()))
        return false;
    startReceive(std::move(values), style);
    return true;
}

void TransferSession::startReceive(TransferValues values, ReceiveStyle style)
{
    SessionWorker *worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, values = std::move(values), style] { worker->receive(values, style); },
        Qt::QueuedConnection);
}

void TransferSession::cancel()
{
    // An opening in progress gives up; a job stops at its next step.
    if (busy())
        worker_->cancelRequested = true;
    else
        worker_->state.sendstop = true;  // seen at once by a repeat's pause
    SessionWorker *worker = worker_;
    onWorker([worker] { worker->cancel(); });
}

void TransferSession::handshake()
{
    SessionWorker *worker = worker_;
    onWorker([worker] { worker->handshake(); });
}

void TransferSession::lineError()
{
    SessionWorker *worker = worker_;
    onWorker([worker] { worker->lineError(); });
}

void TransferSession::rateTick()
{
    SessionWorker *worker = worker_;
    onWorker([worker] { worker->rateTick(); });
}

TransferState &TransferSession::flags()
{
    return worker_->state;
}

const TransferState &TransferSession::flags() const
{
    return worker_->state;
}

bool TransferSession::portOpen() const
{
    return worker_->portOpen;
}

void TransferSession::withPorts(const std::function<void(Trs232c &, Trs232c &)> &f)
{
    SessionWorker *worker = worker_;
    if (QThread::currentThread() == worker->thread())
        worker->withPorts(f);
    else
        QMetaObject::invokeMethod(worker, [worker, &f] { worker->withPorts(f); }, Qt::BlockingQueuedConnection);
}

SessionStatus TransferSession::status() const
{
    std::lock_guard lock(mutex_);
    return status_;
}

void TransferSession::publish(const SessionStatus &status)
{
    {
        std::lock_guard lock(mutex_);
        status_ = status;
    }
    emit statusChanged();
}

}  // namespace marbolt
