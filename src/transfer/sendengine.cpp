#include "transfer/sendengine.h"
#include "document/olines.h"

#include "common/dialogs.h"
#include "common/settingsstore.h"
#include "document/sjistext.h"
#include "document/textlines.h"
#include "serial/netaddress.h"
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
    : session_(std::move(session)), settings_(settings), progress_(progress), dialogs_(dialogs), view_(view),
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
    const auto speed = reportedNumber(settings_, setting::SPEED, dialogs_);
    const auto wait = speed ? reportedNumber(settings_, setting::WAIT, dialogs_) : std::nullopt;
    if (!wait)
        return false;
    TransferValues &v = s.values;
    v.port = settings_.get(setting::PORT);
    v.stopbit = settings_.get(setting::STOPBIT);
    v.speed = *speed;
    v.wait = *wait;
    v.tape = settings_.isOn(setting::TAPE);
    if (v.tape) {
        const auto feed = reportedNumber(settings_, setting::FEED, dialogs_);
        if (!feed)
            return false;
        v.feed = std::max(0, *feed);
    }
    v.sendRequest = settings_.isOn(setting::SE);
    v.log = settings_.isOn(setting::LOG);
    v.headPercent = settings_.isOn(setting::HEAD);
    v.code = punchCodeFor(settings_.get(setting::CODE).toLatin1().constData());
    s.check = settings_.isOn(setting::CHECK);
    s.options = sendOptions(v);
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
    locked_ = false;
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
    TransferSession *session = session_ ? session_() : nullptr;
    if (!session) {
        dialogs_.message(QStringLiteral("回線オープンエラー"));
        return;
    }
    cleanUp.jobStarted = runJob(*session, kind, sendPlan(kind, s, std::move(prepared)), s, selectionStart);
}

SendPlan SendEngine::sendPlan(Kind kind, const Settings &s, PreparedText prepared)
{
    SendPlan plan;
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
    // A device server on the network can take seconds to answer: the
    // window is locked while it connects, so that cancel is offered.
    if (namesNetworkPort(s.values.port)) {
        view_.lockForTransfer();
        locked_ = true;
        view_.setStatusText(QStringLiteral("接続中"));
    }
    following_ = std::make_unique<QObject>();
    QObject *context = following_.get();
    TransferSession *from = &session;
    sessionUnderWay_ = from;
    QObject::connect(from, &TransferSession::portOpened, context, [this] {
        portOpened_ = true;
        if (!std::exchange(locked_, true))
            view_.lockForTransfer();
    });
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
        stopFollowing(std::exchange(sessionUnderWay_, nullptr), following_);
        dialogs_.message(QStringLiteral("この機械は送受信中です"));
        return false;
    }
    return true;
}

void SendEngine::sessionEnded(Kind kind, SessionOutcome outcome)
{
    stopFollowing(std::exchange(sessionUnderWay_, nullptr), following_);
    if (outcome == SessionOutcome::NotOpened) {
        view_.beep();
        dialogs_.message(QStringLiteral("回線オープンエラー"));
    }
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
    locked_ = false;
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
    if (TransferSession *session = sessionUnderWay_ ? sessionUnderWay_ : session_ ? session_() : nullptr)
        session->handshake();
}

void SendEngine::rateTick()
{
    if (running_ && sessionUnderWay_)
        sessionUnderWay_->rateTick();
}

void SendEngine::cancel()
{
    // Lets a port that aborted on a line error write again, then stops;
    // without a send under way, the stop flag is raised for a repeat.
    if (TransferSession *session = sessionUnderWay_ ? sessionUnderWay_ : session_ ? session_() : nullptr)
        session->cancel();
}

namespace {

// The first findings go into the list; the count names them all.
constexpr std::size_t kListedFindings = 1000;

// Editor positions of (line, column) places given in increasing order,
// found in one walk over the document's text.
class PositionWalk {
public:
    explicit PositionWalk(std::string_view text) : text_(text) {}
    std::size_t at(std::size_t line, std::size_t column)
    {
        while (line_ < line) {
            const std::size_t lf = text_.find('\n', lineStart_);
            if (lf == std::string_view::npos)
                return text_.size();
            lineStart_ = lf + 1;
            ++line_;
        }
        std::size_t p = lineStart_;
        for (std::size_t c = 0; c < column && p < text_.size() && text_[p] != '\r' && text_[p] != '\n'; ++c)
            p = nextCharacter(p);
        return p;
    }
    // Characters from the start of p's line up to p.
    std::size_t columnOf(std::size_t p) const
    {
        const std::size_t lf = p == 0 ? std::string_view::npos : text_.rfind('\n', p - 1);
        std::size_t column = 0;
        for (std::size_t q = lf == std::string_view::npos ? 0 : lf + 1; q < p; q = nextCharacter(q))
            ++column;
        return column;
    }

private:
    std::size_t nextCharacter(std::size_t p) const
    {
        // UTF-8: skip the continuation bytes.
        ++p;
        while (p < text_.size() && (static_cast<unsigned char>(text_[p]) & 0xC0) == 0x80)
            ++p;
        return p;
    }
    std::string_view text_;
    std::size_t line_ = 0;
    std::size_t lineStart_ = 0;
};

}  // namespace

SendCheckReport SendEngine::reportFor(Kind kind, std::string_view source, const PreparedText &prepared,
                                      const std::vector<CheckFinding> &findings, std::size_t selectionStart,
                                      std::vector<std::size_t> &rowPositions) const
{
    SendCheckReport report;
    report.total = static_cast<int>(std::min<std::size_t>(findings.size(), INT32_MAX));
    const std::string_view document = sourceText();
    PositionWalk walk(document);
    const std::vector<std::size_t> starts = otherText_ ? lineStarts(document) : std::vector<std::size_t>{};
    // A selection's source is LF and the selected text: its first line is
    // the document's line firstLine_, from the selection's column on.
    const std::size_t selectionColumn = kind == Kind::Selection ? walk.columnOf(selectionStart) : 0;
    PlaceWalk places(source);
    for (std::size_t i = 0; i < findings.size() && i < kListedFindings; ++i) {
        const CheckFinding &f = findings[i];
        std::size_t at = prepared.sourceOffset(f.offset);
        if (at == std::string::npos)
            at = source.size();  // the end marker the send adds
        const TextPlace place = places.at(at);
        std::size_t line = place.line;
        std::size_t column = place.column;
        if (kind == Kind::Selection) {
            line = firstLine_ + (place.line > 0 ? place.line - 1 : 0);
            if (place.line <= 1)
                column += selectionColumn;
        }
        report.rows.append({static_cast<int>(line + 1), static_cast<int>(column + 1), checkKindText(f.kind),
                            otherText_ ? lineText(document, starts, line) : view_.lineText(line)});
        rowPositions.push_back(walk.at(line, column));
    }
    return report;
}

bool SendEngine::passesCheck(Kind kind, const Settings &s, std::string &source, PreparedText &prepared,
                             std::size_t selectionStart)
{
    const std::vector<CheckFinding> findings = checkSendText(prepared.text, s.options.code);
    if (findings.empty())
        return true;
    const bool allInComments =
        std::all_of(findings.begin(), findings.end(), [](const CheckFinding &f) { return f.inComment; });
    SendCheckChoice choice = SendCheckChoice::Cancel;
    if (standingAnswer_ && (*standingAnswer_ != SendCheckChoice::SendWithoutComments || allInComments)) {
        choice = *standingAnswer_;
    } else {
        std::vector<std::size_t> positions;
        SendCheckReport report = reportFor(kind, source, prepared, findings, selectionStart, positions);
        report.canLeaveOutComments = allInComments;
        const SendCheckAnswer answer = dialogs_.sendCheck(report);
        // A finding can be gone to in the editor's own text only.
        if (!otherText_ && answer.goTo && *answer.goTo >= 0
            && static_cast<std::size_t>(*answer.goTo) < positions.size()) {
            view_.placeCaret(positions[static_cast<std::size_t>(*answer.goTo)]);
            checkPlacedCaret_ = true;
        }
        choice = answer.choice;
        if (choice == SendCheckChoice::SendWithoutComments && !allInComments)
            choice = SendCheckChoice::Cancel;
        if (keepCheckAnswer_)
            standingAnswer_ = choice;
    }
    switch (choice) {
    case SendCheckChoice::Cancel:
        return false;
    case SendCheckChoice::SendAsIs:
        return true;
    case SendCheckChoice::SendWithoutComments:
        break;
    }
    // The comments go from the transmission only; the document keeps them.
    source = withoutFindingComments(source, prepared, findings);
    prepared = prepareSendText(source, s.options);
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
