#include "transfer/sendengine.h"
#include "document/olines.h"

#include "common/dialogs.h"
#include "common/settingsstore.h"
#include "document/sjistext.h"
#include "document/textlines.h"
#include "transfer/checkreport.h"
#include "transfer/receivedecoder.h"
#include "transfer/sendlog.h"


#include <algorithm>
#include <cstdint>
#include <utility>

namespace marbolt {

namespace {

QString unencodableMessage(std::string_view text, const EncodeFailure &failure)
{
    const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(failure.offset), '\n');
    return QStringLiteral("送信できません\r%1 行目の文字 \"%2\" (U+%3) はシフトJISで送れません")
        .arg(line)
        .arg(QString::fromUcs4(&failure.codePoint, 1))
        .arg(static_cast<uint>(failure.codePoint), 4, 16, QChar(u'0'));
}

}  // namespace

QString sendErrorMessage()
{
    return QStringLiteral("送信エラーが発生しました。\r通信設定、ケーブル接続を確認して下さい。");
}

SendEngine::SendEngine(SessionSource session, SettingsStore &settings, TransferProgress &progress,
                       Dialogs &dialogs, SendView &view, QString logPath)
    : settings_(settings), progress_(progress), dialogs_(dialogs), view_(view), session_(std::move(session), view),
      logPath_(std::move(logPath))
{
}

void SendEngine::sendDocument()
{
    run(Kind::Document);
}

void SendEngine::sendText(std::string utf8)
{
    if (running_)
        return;
    otherText_ = std::move(utf8);
    run(Kind::Document);
}

void SendEngine::sendSelection(bool caretHomeAfter)
{
    sendRange(view_.selectionStart(), view_.selectionEnd(), caretHomeAfter);
}

void SendEngine::sendRange(std::size_t start, std::size_t end, bool caretHomeAfter)
{
    if (running_)
        return;
    caretHomeAfter_ = caretHomeAfter;
    range_ = {start, end};
    run(Kind::Selection);
}

std::string_view SendEngine::sourceText() const
{
    return otherText_ ? std::string_view(*otherText_) : view_.documentText();
}

bool SendEngine::readSettings(Settings &s)
{
    QString problem;
    const std::optional<TransferValues> values = readTransferValues(settings_, &problem);
    if (!values) {
        dialogs_.error(problem);
        return false;
    }
    s.values = *values;
    s.check = settings_.isOn(setting::CHECK);
    s.options = sendOptions(s.values);
    return true;
}

bool SendEngine::encodeSource(Kind kind, std::string &source, std::size_t &selectionStart)
{
    const std::string_view text = sourceText();
    SjisEncoder encoder;
    std::string_view part = text;
    selectionStart = 0;
    if (kind == Kind::Selection) {
        const std::size_t start = std::min(range_.first, text.size());
        const std::size_t end = std::clamp(range_.second, start, text.size());
        part = text.substr(start, end - start);
        selectionStart = start;
        source.assign(1, '\n');
    }
    std::string encoded;
    if (const auto failure = encoder.encode(part, encoded)) {
        EncodeFailure where = *failure;
        where.offset += selectionStart;
        dialogs_.error(unencodableMessage(text, where));
        return false;
    }
    // The highlight finds lines by position in the text it was given; a
    // selection's lines are counted on from the line that holds its start.
    lineStarts_ = lineStarts(encoded);
    firstLine_ = static_cast<std::size_t>(
        std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(selectionStart), '\n'));
    source += encoded;
    return true;
}

void SendEngine::run(Kind kind)
{
    if (running_)
        return;  // one transfer at a time; the lock keeps the actions away
    portOpened_ = false;
    checkPlacedCaret_ = false;
    if (kind == Kind::Document && sourceText().empty()) {
        otherText_.reset();
        dialogs_.message(QStringLiteral("送信データがありません"));
        if (ended_)
            ended_();
        return;
    }
    progress_.underWay(TransferProgress::Direction::Send);
    running_ = true;
    progressShown_ = false;
    // Every way out before the job starts cleans up here; a started job
    // cleans up when it is done.
    struct CleanUp {
        SendEngine *engine;
        Kind kind;
        bool jobStarted = false;
        ~CleanUp()
        {
            if (!jobStarted)
                engine->cleanUp(kind);
        }
    } cleanUp{this, kind};

    Settings s;
    if (!readSettings(s))
        return;
    std::string source;
    std::size_t selectionStart = 0;
    if (!encodeSource(kind, source, selectionStart))
        return;
    PreparedText prepared = prepareSendText(source, s.options);
    if (s.check && !passesCheck(kind, s, source, prepared, selectionStart))
        return;
    TransferSession *session = session_.active();
    if (!session) {
        dialogs_.message(QStringLiteral("回線オープンエラー"));
        return;
    }
    cleanUp.jobStarted = runJob(*session, kind, sendPlan(kind, s, std::move(prepared)), s, selectionStart);
}

SendPlan SendEngine::sendPlan(Kind kind, const Settings &s, PreparedText prepared)
{
    SendPlan plan;
    plan.text = prepared.text;
    plan.data = encodeSendData(std::move(prepared), s.options.code);
    plan.speed = s.values.speed;
    plan.wait = s.values.wait;
    plan.tape = s.values.tape;
    plan.feed = s.values.feed;
    plan.feedBetweenPrograms = kind == Kind::Document;
    plan.sendRequest = s.values.sendRequest;
    plan.holdLookMs = kind == Kind::Document ? 10 : 100;
    plan.startStopped = std::exchange(cancelAtStart_, false);
    plan.lineStarts = std::move(lineStarts_);
    plan.firstLine = firstLine_;
    if (kind == Kind::Document && s.values.log)
        plan.log = SendPlan::Log{logPath_, view_.documentFileName()};
    return plan;
}

bool SendEngine::runJob(TransferSession &session, Kind kind, SendPlan plan, const Settings &s,
                        std::size_t selectionStart)
{
    QObject *context = session_.follow(session, s.values.port);
    TransferSession *from = &session;
    QObject::connect(from, &TransferSession::portOpened, context, [this] { portOpened_ = true; });
    QObject::connect(from, &TransferSession::jobStatus, context, [this](const QString &text) { view_.setStatusText(text); });
    QObject::connect(from, &TransferSession::progressShown, context, [this, kind](int maximum) {
        view_.showProgress(maximum);
        progressShown_ = true;
        // The first highlight, as the first byte goes.
        if (!otherText_ && kind == Kind::Document)
            view_.placeCaret(0);
        else if (!otherText_)
            view_.highlightLine(firstLine_);
        view_.startRateTimer();
    });
    QObject::connect(from, &TransferSession::progressed, context, [this](int position) { view_.setProgress(position); });
    QObject::connect(from, &TransferSession::lineReached, context, [this, kind](std::size_t line) { highlight(kind, line); });
    QObject::connect(from, &TransferSession::dataSent, context, [this, kind, selectionStart] {
        if (kind == Kind::Selection)
            view_.placeCaret(selectionStart);
    });
    QObject::connect(from, &TransferSession::handshakeReadFailed, context,
                     [this] { dialogs_.message(QStringLiteral("データ読込みエラー")); });
    QObject::connect(from, &TransferSession::writeFailed, context, [this] { dialogs_.message(sendErrorMessage()); });
    QObject::connect(from, &TransferSession::logFailed, context, [this](const QString &message) { dialogs_.error(message); });
    QObject::connect(from, &TransferSession::rateMeasured, context, [this](long long rate, int seconds) {
        sendrate_ = rate;
        sendsec_ = seconds;
    });
    QObject::connect(from, &TransferSession::sendFinished, context,
                     [this, kind](SessionOutcome outcome) { sessionEnded(kind, outcome); });
    const QString program = view_.documentFileName();
    if (!session.send(std::move(plan), program.isEmpty() ? QStringLiteral("無題") : program, s.values)) {
        session_.stop();
        dialogs_.message(QStringLiteral("この機械は送受信中です"));
        return false;
    }
    return true;
}

void SendEngine::sessionEnded(Kind kind, SessionOutcome outcome)
{
    session_.stop();
    if (outcome == SessionOutcome::NotOpened)
        tellNotOpened(view_, dialogs_);
    cleanUp(kind);
}

void SendEngine::highlight(Kind kind, std::size_t line)
{
    if (otherText_)
        return;  // the editor does not show what goes out
    if (kind == Kind::Document) {
        const QString text = view_.lineText(line);
        if (isProgramHead(text))
            view_.setIndexText(QString::fromStdString(trimLine(text.toStdString())));
    }
    view_.highlightLine(line);
}

void SendEngine::cleanUp(Kind kind)
{
    view_.stopRateTimer();
    if (progressShown_)
        view_.hideProgress();
    session_.lockReleased();
    view_.unlockAfterTransfer();
    view_.setStatusText(QString());
    if (otherText_) {
        // The editor was not touched.
    } else if (kind == Kind::Document) {
        if (!checkPlacedCaret_)
            view_.placeCaret(0);
        view_.showFirstIndexEntry();
    } else if (caretHomeAfter_ && !checkPlacedCaret_) {
        view_.placeCaret(0);
    }
    otherText_.reset();
    running_ = false;
    if (ended_)
        ended_();
}

void SendEngine::handshake()
{
    if (TransferSession *session = session_.current())
        session->handshake();
}

void SendEngine::rateTick()
{
    if (running_ && session_.underWay())
        session_.underWay()->rateTick();
}

void SendEngine::cancel()
{
    // Lets a port that aborted on a line error write again, then stops;
    // without a send under way, the stop flag is raised for a repeat.
    if (TransferSession *session = session_.current())
        session->cancel();
}

SendCheckReport SendEngine::reportFor(Kind kind, std::string_view source, const PreparedText &prepared,
                                      const std::vector<CheckFinding> &findings, std::size_t selectionStart,
                                      std::vector<std::size_t> &rowPositions) const
{
    const CheckedText checked{sourceText(), source, prepared,
                              kind == Kind::Selection ? std::optional(selectionStart) : std::nullopt};
    return checkReport(checked, findings, rowPositions);
}

bool SendEngine::passesCheck(Kind kind, const Settings &s, std::string &source, PreparedText &prepared,
                             std::size_t selectionStart)
{
    const std::vector<CheckFinding> findings = checkSendText(prepared.text, s.options.code);
    if (findings.empty())
        return true;
    const bool commentsOnly = allInComments(findings);
    SendCheckChoice choice = SendCheckChoice::Cancel;
    if (standingAnswer_ && (*standingAnswer_ != SendCheckChoice::SendWithoutComments || commentsOnly)) {
        choice = *standingAnswer_;
    } else {
        std::vector<std::size_t> positions;
        SendCheckReport report = reportFor(kind, source, prepared, findings, selectionStart, positions);
        report.canLeaveOutComments = commentsOnly;
        const SendCheckAnswer answer = dialogs_.sendCheck(report);
        // A finding can be gone to in the editor's own text only.
        if (!otherText_ && answer.goTo && *answer.goTo >= 0
            && static_cast<std::size_t>(*answer.goTo) < positions.size()) {
            view_.placeCaret(positions[static_cast<std::size_t>(*answer.goTo)]);
            checkPlacedCaret_ = true;
        }
        choice = answer.choice;
        if (choice == SendCheckChoice::SendWithoutComments && !commentsOnly)
            choice = SendCheckChoice::Cancel;
        if (keepCheckAnswer_)
            standingAnswer_ = choice;
    }
    if (!applyCheckChoice(choice, findings, s.options, source, prepared))
        return false;
    if (choice == SendCheckChoice::SendWithoutComments)
        lineStarts_ = lineStarts(kind == Kind::Selection ? std::string_view(source).substr(1) : std::string_view(source));
    return true;
}

void SendEngine::keepCheckAnswer(bool keep)
{
    keepCheckAnswer_ = keep;
    standingAnswer_.reset();
}

void SendEngine::checkDocument()
{
    Settings s;
    s.options.headPercent = settings_.isOn(setting::HEAD);
    s.options.code = punchCodeFor(settings_.get(setting::CODE).toLatin1().constData());
    std::string source;
    std::size_t selectionStart = 0;
    if (!encodeSource(Kind::Document, source, selectionStart))
        return;
    const PreparedText prepared = prepareSendText(source, s.options);
    const std::vector<CheckFinding> findings = checkSendText(prepared.text, s.options.code);
    if (findings.empty()) {
        dialogs_.information(QStringLiteral("問題は見つかりませんでした。"), Buttons::Ok);
        return;
    }
    std::vector<std::size_t> positions;
    SendCheckReport report = reportFor(Kind::Document, source, prepared, findings, 0, positions);
    report.sending = false;
    const SendCheckAnswer answer = dialogs_.sendCheck(report);
    if (answer.goTo && *answer.goTo >= 0 && static_cast<std::size_t>(*answer.goTo) < positions.size())
        view_.placeCaret(positions[static_cast<std::size_t>(*answer.goTo)]);
}

}  // namespace marbolt
