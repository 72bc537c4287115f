#include "transfer/transfersession.h"

#include "document/olines.h"
#include "serial/comthd.h"
#include "serial/rs232c.h"
#include "transfer/portsetup.h"

#include <atomic>
#include <optional>

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
        : session_(session), clock_(clock), serial_(serial)
    {
    }
    ~SessionWorker() override
    {
        sendJob_.reset();
        receiveJob_.reset();
        if (sendPort_)
            sendPort_->Close();
        if (receivePort_)
            receivePort_->Close();
    }

    void send(SendPlan plan, QString program, TransferValues values);
    void receive(TransferValues values);
    void cancel();
    std::atomic<bool> cancelRequested{false};

private:
    void makePorts();
    bool open(Trs232c &port);
    void update(SessionState state, const QString &text = QString());
    void progress(qint64 done);
    void endSend(SessionOutcome outcome);
    void endReceive(Reception reception);

    TransferSession &session_;
    Clock &clock_;
    SerialSystem &serial_;
    std::unique_ptr<Trs232c> sendPort_;
    std::unique_ptr<Trs232c> receivePort_;
    TransferState state_;
    std::unique_ptr<SendJob> sendJob_;
    std::unique_ptr<ReceiveJob> receiveJob_;
    bool lineFailed_ = false;
    SessionStatus status_;
};

void SessionWorker::makePorts()
{
    if (sendPort_)
        return;
    sendPort_ = std::make_unique<Trs232c>(LineSettings::sendPortDefaults(), serial_);
    receivePort_ = std::make_unique<Trs232c>(LineSettings::receivePortDefaults(), serial_);
    sendPort_->OnRXCHAR = [this](tcommthread &) {
        if (sendJob_)
            sendJob_->handshake();
        else
            readHandshake(*sendPort_, state_);
    };
    receivePort_->OnRXCHAR = [this](tcommthread &) {
        if (receiveJob_)
            receiveJob_->dataArrived();
    };
    receivePort_->OnERR = [this](tcommthread &) {
        if (!receiveJob_ || !receiveJob_->running())
            return;
        // The line failed: stop the machine and end, keeping what came.
        lineFailed_ = true;
        receiveJob_->stop();
        receiveJob_->cancel();
    };
}

bool SessionWorker::open(Trs232c &port)
{
    if (!port.OpenWaits())
        return port.Open();
    update(SessionState::Connecting, QStringLiteral("接続中"));
    const LinePort::OpenWait wait{[] {}, [this] { return cancelRequested.load(); }};
    return port.Open(wait);
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
    receivePort_->Close();
    status_ = SessionStatus{};
    status_.program = std::move(program);
    status_.total = static_cast<qint64>(plan.data.bytes.size());
    setUpSendPort(*sendPort_, values.speed, values.port, values.stopbit);
    if (!open(*sendPort_)) {
        endSend(SessionOutcome::NotOpened);
        return;
    }
    plan.startStopped = cancelRequested.exchange(false);
    sendJob_ = std::make_unique<SendJob>(*sendPort_, std::move(plan), state_, clock_);
    SendJob *job = sendJob_.get();
    connect(job, &SendJob::statusChanged, this, [this](const QString &text) {
        const SessionState state = text == QStringLiteral("送信待機中") ? SessionState::Waiting : SessionState::Sending;
        update(state, text);
    });
    connect(job, &SendJob::progressed, this, [this](int position) { progress(position); });
    connect(job, &SendJob::dataSent, this, [this, job] {
        status_.done = static_cast<qint64>(job->bytesSent());
        update(SessionState::Ending, status_.text);
    });
    connect(job, &SendJob::done, this, [this](SendOutcome outcome) { endSend(fromSend(outcome)); });
    job->start();
}

void SessionWorker::endSend(SessionOutcome outcome)
{
    if (sendJob_)
        sendJob_.release()->deleteLater();  // its own signal is on the stack
    sendPort_->Close();
    cancelRequested = false;
    update(SessionState::Idle);
    emit session_.sendFinished(outcome);
}

void SessionWorker::receive(TransferValues values)
{
    makePorts();
    sendPort_->Close();
    status_ = SessionStatus{};
    lineFailed_ = false;
    setUpReceivePort(*receivePort_, values.speed, values.port, values.stopbit);
    if (!open(*receivePort_)) {
        Reception reception;
        reception.outcome = SessionOutcome::NotOpened;
        endReceive(std::move(reception));
        return;
    }
    receiveJob_ = std::make_unique<ReceiveJob>(*receivePort_, state_, clock_, kReceiveLookMs);
    ReceiveJob *job = receiveJob_.get();
    connect(job, &ReceiveJob::statusChanged, this, [this](const QString &text) {
        status_.done = receiveJob_ ? receiveJob_->decoder().receivedBytes() : status_.done;
        update(SessionState::Receiving, text);
    });
    connect(job, &ReceiveJob::lineReceived, this, [this](const QString &line) {
        if (isNumberedOLine(line))
            status_.program = line;
    });
    connect(job, &ReceiveJob::done, this, [this, job](ReceiveOutcome outcome) {
        Reception reception;
        reception.detail = outcome;
        reception.outcome = isComplete(outcome) ? SessionOutcome::Completed
                          : isFailure(outcome) || lineFailed_ ? SessionOutcome::Failed
                                                              : SessionOutcome::Cancelled;
        reception.faultyBytes = job->decoder().faultyBytes();
        reception.text = job->takeText();
        endReceive(std::move(reception));
    });
    if (cancelRequested.exchange(false)) {
        job->start();
        job->cancel();
        return;
    }
    job->start();
}

void SessionWorker::endReceive(Reception reception)
{
    if (receiveJob_)
        receiveJob_.release()->deleteLater();
    receivePort_->Close();
    cancelRequested = false;
    update(SessionState::Idle);
    emit session_.received(reception);
}

void SessionWorker::cancel()
{
    if (sendJob_ && sendJob_->running())
        sendJob_->cancel();
    else if (receiveJob_ && receiveJob_->running())
        receiveJob_->cancel();
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

TransferSession::~TransferSession()
{
    // The ports close on the thread they were opened on.
    SessionWorker *worker = worker_;
    worker->cancelRequested = true;
    QMetaObject::invokeMethod(worker, [worker] { delete worker; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
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
    const std::optional<TransferValues> values = claim(program);
    if (!values)
        return false;
    SessionWorker *worker = worker_;
    QMetaObject::invokeMethod(
        worker, [worker, plan = std::move(plan), program = std::move(program), values = *values]() mutable {
            worker->send(std::move(plan), std::move(program), std::move(values));
        },
        Qt::QueuedConnection);
    return true;
}

bool TransferSession::receive()
{
    const std::optional<TransferValues> values = claim(QString());
    if (!values)
        return false;
    SessionWorker *worker = worker_;
    QMetaObject::invokeMethod(worker, [worker, values = *values] { worker->receive(values); },
                              Qt::QueuedConnection);
    return true;
}

void TransferSession::cancel()
{
    if (!busy())
        return;
    // An opening in progress gives up; a job stops at its next step.
    worker_->cancelRequested = true;
    SessionWorker *worker = worker_;
    QMetaObject::invokeMethod(worker, [worker] { worker->cancel(); }, Qt::QueuedConnection);
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
