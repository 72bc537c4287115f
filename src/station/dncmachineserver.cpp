#include "station/dncmachineserver.h"

#include "document/sjistext.h"
#include "document/textlines.h"
#include "station/dncrequest.h"
#include "station/receivefolder.h"
#include "transfer/sendjob.h"

#include <algorithm>
#include <utility>

namespace marbolt {

namespace {

bool blank(const std::string &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '%';
    });
}

QString receptionFailure(const Reception &r)
{
    switch (r.detail) {
    case ReceiveOutcome::Overflow:
        return QStringLiteral("受信の待ち行列があふれました");
    case ReceiveOutcome::ReadFailed:
        return QStringLiteral("回線から読めませんでした");
    case ReceiveOutcome::LineGone:
        return QStringLiteral("回線が切れました");
    case ReceiveOutcome::Cancelled:
        return QStringLiteral("受信が止められました");
    case ReceiveOutcome::EndPercent:
    case ReceiveOutcome::EndDc4:
        break;
    }
    return QStringLiteral("回線エラー");
}

// The O-number of a received text's first program, for the log.
QString firstProgram(const std::string &text)
{
    for (const ReceivedProgram &p : splitPrograms(text))
        if (p.number)
            return programLabel(*p.number);
    return {};
}

}  // namespace

QString phaseText(DncPhase phase)
{
    switch (phase) {
    case DncPhase::Stopped:
        return QStringLiteral("停止");
    case DncPhase::Listening:
        return QStringLiteral("受信待ち");
    case DncPhase::Answering:
        return QStringLiteral("応答");
    case DncPhase::Retrying:
        return QStringLiteral("再接続待ち");
    }
    return {};
}

DncMachineServer::DncMachineServer(TransferSession &session, DncMachineConfig config, DncLog &log, Clock &clock,
                                   QObject *parent)
    : QObject(parent), session_(session), config_(std::move(config)), log_(log), clock_(clock)
{
    retry_.setSingleShot(true);
    answerWait_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &DncMachineServer::listen);
    connect(&answerWait_, &QTimer::timeout, this, &DncMachineServer::giveUpAnswer);
    connect(&session_, &TransferSession::received, this, &DncMachineServer::received);
    connect(&session_, &TransferSession::sendFinished, this, &DncMachineServer::sendFinished);
    connect(&session_, &TransferSession::lineReached, this, &DncMachineServer::lineReached);
    connect(&session_, &TransferSession::statusChanged, this, &DncMachineServer::statusChanged);
    connect(&session_, &TransferSession::portOpened, this, [this] { opened_.start(); });
}

DncMachineServer::~DncMachineServer() = default;

void DncMachineServer::start()
{
    stopping_ = false;
    log_.note(config_.name, DncLog::Level::Info,
              QStringLiteral("%1 で受信待ちを始めます (受信フォルダ: %2)")
                  .arg(config_.values.port,
                       config_.dnc.receiveFolder.isEmpty() ? QStringLiteral("なし") : config_.dnc.receiveFolder));
    listen();
}

void DncMachineServer::stop()
{
    stopping_ = true;
    retry_.stop();
    answerWait_.stop();
    if (phase_ == DncPhase::Listening || phase_ == DncPhase::Answering) {
        // The session's end comes back as received() or sendFinished().
        session_.cancel();
        return;
    }
    phase_ = DncPhase::Stopped;
    emit statusChanged();
    QMetaObject::invokeMethod(this, &DncMachineServer::stopped, Qt::QueuedConnection);
}

void DncMachineServer::listen()
{
    if (stopping_)
        return;
    answerProgram_.clear();
    answerText_.clear();
    answerLines_.clear();
    // A port that cannot open answers at once (received, NotOpened).
    phase_ = DncPhase::Listening;
    opened_.invalidate();
    ReceiveStyle style;
    style.keepOpen = true;  // a tape punched right after the last one is not lost
    if (!session_.receive(config_.values, style)) {
        retryLater(QStringLiteral("この機械は他の送受信に使われています"));
        return;
    }
    emit statusChanged();
}

void DncMachineServer::received(const Reception &reception)
{
    if (phase_ != DncPhase::Listening)
        return;  // not this server's reception
    if (reception.outcome == SessionOutcome::NotOpened) {
        retryLater(openFailure());
        return;
    }
    if (reception.outcome == SessionOutcome::Completed) {
        failures_ = 0;
        if (reception.faultyBytes > 0) {
            // A program with a byte that came wrong is no program to run:
            // it is kept, but never put over the good one.
            storeFailed(reception.text, QStringLiteral("誤りのあるバイトが %1 個 (%2 行目ほか)")
                                            .arg(reception.faultyBytes)
                                            .arg(reception.faultyLines.empty() ? 0 : reception.faultyLines.front() + 1));
        } else if (const std::optional<DncRequest> request = readRequest(reception.text, config_.dnc.requestNumbers)) {
            answer(*request);
            return;
        } else if (!blank(reception.text)) {
            store(reception);
        }
        listen();
        return;
    }
    // Ended before its end: what came is kept under a name of its own.
    const QString why = receptionFailure(reception);
    if (!blank(reception.text))
        storeFailed(reception.text, why);
    if (stopping_) {
        phase_ = DncPhase::Stopped;
        emit statusChanged();
        emit stopped();
        return;
    }
    if (reception.outcome == SessionOutcome::Failed) {
        // A line that stayed up a while before it failed starts its
        // pauses afresh.
        if (opened_.isValid() && opened_.elapsed() > clock_.timerLength(kLongestRetryMs))
            failures_ = 0;
        retryLater(why);
        return;
    }
    listen();
}

void DncMachineServer::store(const Reception &reception)
{
    if (config_.dnc.receiveFolder.isEmpty()) {
        record({config_.name, DncDirection::Receive, firstProgram(reception.text),
                static_cast<qint64>(reception.text.size()), DncOutcome::Failed,
                QStringLiteral("受信フォルダが設定されていないため保存していません")});
        return;
    }
    ReceiveFolder folder(config_.dnc.receiveFolder, config_.dnc.fileRule, clock_);
    const StoreResult result = folder.storeReception(reception.text);
    for (const StoredFile &file : result.files) {
        QString detail = file.path;
        if (!file.backup.isEmpty())
            detail += QStringLiteral(" (前の版は %1)").arg(file.backup);
        record({config_.name, DncDirection::Receive, file.number ? programLabel(*file.number) : QString(), file.bytes,
                DncOutcome::Done, detail});
    }
    if (!result.failure.isEmpty()) {
        // The programs not yet written are kept together as a failed file.
        record({config_.name, DncDirection::Receive, firstProgram(reception.text),
                static_cast<qint64>(reception.text.size()), DncOutcome::Failed, result.failure});
        storeFailed(reception.text, result.failure);
    }
}

void DncMachineServer::storeFailed(const std::string &text, const QString &why)
{
    QString detail = why;
    if (config_.dnc.receiveFolder.isEmpty()) {
        detail += QStringLiteral(" (受信フォルダが設定されていないため保存していません)");
    } else {
        ReceiveFolder folder(config_.dnc.receiveFolder, config_.dnc.fileRule, clock_);
        const StoreResult result = folder.storeFailed(text);
        detail += result.failure.isEmpty() && !result.files.empty()
                      ? QStringLiteral(" (受信した分は %1)").arg(result.files.front().path)
                      : QStringLiteral(" (%1)").arg(result.failure);
    }
    record({config_.name, DncDirection::Receive, firstProgram(text), static_cast<qint64>(text.size()),
            DncOutcome::Failed, detail});
}

void DncMachineServer::answer(const DncRequest &request)
{
    const DncAnswer reply = answerRequest(request, config_.dnc, config_.nc, config_.values);
    QString wanted = programLabel(request.program);
    if (request.sequence)
        wanted += QStringLiteral(" N%1").arg(*request.sequence);
    record({config_.name, DncDirection::Request, wanted, 0, reply.outcome,
            reply.detail + QStringLiteral(" (要求 %1)").arg(programLabel(request.requestNumber))});

    // The answer waits for the control's DC1, and goes out no sooner than
    // the delay the operator needs to switch the control to read; the
    // port is open from now, so a DC1 given early is not lost.
    TransferValues values = config_.values;
    values.sendRequest = true;
    SendPlan plan = documentSendJob(values, reply.sjis, reply.prepared);
    const int delayMs = config_.dnc.requestDelaySeconds * 1000;
    plan.startDelayMs = delayMs;
    answerProgram_ = reply.program;
    answerText_ = reply.sjis;
    answerLines_ = lineStarts(answerText_);
    answerLine_ = 0;
    answerFirstByte_ = QDateTime();
    phase_ = DncPhase::Answering;
    if (!session_.send(std::move(plan), reply.program, values)) {
        retryLater(QStringLiteral("この機械は他の送受信に使われています"));
        return;
    }
    answerWait_.start(clock_.timerLength(delayMs + kAnswerWaitMs));
    emit statusChanged();
}

void DncMachineServer::giveUpAnswer()
{
    if (phase_ != DncPhase::Answering || session_.status().state != SessionState::Waiting)
        return;
    gaveUp_ = true;
    session_.cancel();
}

void DncMachineServer::lineReached(std::size_t line)
{
    if (phase_ != DncPhase::Answering)
        return;
    answerLine_ = line;
    if (!answerFirstByte_.isValid())
        answerFirstByte_ = clock_.now();
}

void DncMachineServer::sendFinished(SessionOutcome outcome)
{
    if (phase_ != DncPhase::Answering)
        return;
    answerWait_.stop();
    const qint64 bytes = session_.status().done;
    switch (outcome) {
    case SessionOutcome::Completed:
        failures_ = 0;
        record({config_.name, DncDirection::Send, answerProgram_, bytes, DncOutcome::Done, {}});
        break;
    case SessionOutcome::Cancelled:
        record({config_.name, DncDirection::Send, answerProgram_, bytes, DncOutcome::Stopped,
                std::exchange(gaveUp_, false)
                    ? QStringLiteral("制御装置から DC1 が %1 分来なかったため取りやめました").arg(kAnswerWaitMs / 60000)
                    : QStringLiteral("送信が止められました")});
        break;
    case SessionOutcome::NotOpened:
    case SessionOutcome::Failed:
        record({config_.name, DncDirection::Send, answerProgram_, bytes, DncOutcome::Failed,
                outcome == SessionOutcome::NotOpened ? openFailure() : QStringLiteral("回線エラー")});
        break;
    }
    if (stopping_) {
        phase_ = DncPhase::Stopped;
        emit statusChanged();
        emit stopped();
        return;
    }
    if (outcome == SessionOutcome::NotOpened || outcome == SessionOutcome::Failed) {
        retryLater(QStringLiteral("送信に失敗しました"));
        return;
    }
    listen();
}

QString DncMachineServer::openFailure() const
{
    const QString why = session_.status().openError;
    return why.isEmpty() ? QStringLiteral("%1 を開けません").arg(config_.values.port)
                         : QStringLiteral("%1 を開けません (%2)").arg(config_.values.port, why);
}

void DncMachineServer::retryLater(const QString &why)
{
    const int pause = std::min(kLongestRetryMs, kFirstRetryMs << std::min(failures_, 16));
    ++failures_;
    phase_ = DncPhase::Retrying;
    log_.note(config_.name, DncLog::Level::Warning,
              QStringLiteral("%1。%2 秒後にもう一度試します").arg(why).arg(pause / 1000));
    setLast(why);
    retry_.start(clock_.timerLength(pause));
    emit statusChanged();
}

void DncMachineServer::record(const DncEntry &entry)
{
    log_.record(entry);
    QString text = directionText(entry.direction) + u' ' + (entry.program.isEmpty() ? QStringLiteral("-") : entry.program)
                 + u' ' + outcomeText(entry.outcome);
    if (!entry.detail.isEmpty())
        text += QStringLiteral(": ") + entry.detail;
    setLast(text);
}

void DncMachineServer::setLast(const QString &text)
{
    last_ = clock_.now().toString(QStringLiteral("HH:mm:ss ")) + text;
    emit statusChanged();
}

DncMachineStatus DncMachineServer::status() const
{
    const SessionStatus s = session_.status();
    DncMachineStatus out;
    out.machine = config_.name;
    out.port = config_.values.port;
    out.phase = phase_;
    out.last = last_;
    out.state = phaseText(phase_);
    if (phase_ == DncPhase::Listening) {
        out.program = s.program;
        out.done = s.done;
        if (s.state == SessionState::Connecting)
            out.state = QStringLiteral("接続中");
        else if (s.done > 0)
            out.state = QStringLiteral("受信中");
    } else if (phase_ == DncPhase::Answering) {
        out.program = answerProgram_;
        // The job tells its bytes at its pacing points only, which a
        // slow drip feed may not pass for minutes; the line on the line
        // tells where it stands at every block.
        const qint64 atLine = answerLine_ < answerLines_.size() && answerFirstByte_.isValid()
                                ? static_cast<qint64>(answerLines_[answerLine_])
                                : 0;
        out.done = std::max(s.done, atLine);
        out.total = s.total;
        if (s.state == SessionState::Waiting) {
            out.state = QStringLiteral("応答待ち (DC1)");
        } else {
            out.state = QStringLiteral("送信中");
            if (answerLine_ < answerLines_.size()) {
                const std::size_t from = answerLines_[answerLine_];
                std::size_t to = answerText_.find('\n', from);
                to = to == std::string::npos ? answerText_.size() : to;
                out.block = QString::fromStdString(
                                decodeSjisFile(std::string_view(answerText_).substr(from, to - from),
                                               SjisFileDecoder::Case::Keep))
                                .trimmed();
            }
            out.started = answerFirstByte_;
            // The pace of a program the control runs as it reads (drip
            // feed) is its machining's: the bytes so far at the time so far.
            if (answerFirstByte_.isValid() && out.done > 0 && out.total > out.done) {
                const qint64 ms = answerFirstByte_.msecsTo(clock_.now());
                if (ms > 0)
                    out.finish = answerFirstByte_.addMSecs(static_cast<qint64>(
                        static_cast<double>(ms) * static_cast<double>(out.total) / static_cast<double>(out.done)));
            }
        }
    }
    return out;
}

}  // namespace marbolt
