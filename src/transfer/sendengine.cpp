#include "transfer/sendengine.h"
#include "document/olines.h"

#include "common/dialogs.h"
#include "common/settingsstore.h"
#include "document/sjistext.h"
#include "document/textlines.h"
#include "transfer/portopening.h"
#include "transfer/portsetup.h"
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

SendEngine::SendEngine(SendPorts ports, SettingsStore &settings, TransferState &state,
                       TransferProgress &progress, Dialogs &dialogs, Clock &clock, SendView &view,
                       QString logPath)
    : ports_(ports), settings_(settings), state_(state), progress_(progress), dialogs_(dialogs), clock_(clock), view_(view),
      logPath_(std::move(logPath)), pump_([this] { view_.pumpMessages(); }), paint_([this] { view_.keepPainting(); })
{
}

void SendEngine::sendDocument()
{
    run(Kind::Document);
}

void SendEngine::sendSelection()
{
    run(Kind::Selection);
}

bool SendEngine::readSettings(Settings &s)
{
    const auto speed = reportedNumber(settings_, setting::SPEED, dialogs_);
    const auto wait = speed ? reportedNumber(settings_, setting::WAIT, dialogs_) : std::nullopt;
    if (!wait)
        return false;
    s.speed = *speed;
    s.wait = *wait;
    s.tape = settings_.isOn(setting::TAPE);
    if (s.tape) {
        const auto feed = reportedNumber(settings_, setting::FEED, dialogs_);
        if (!feed)
            return false;
        s.feed = std::max(0, *feed);
    }
    s.sendRequest = settings_.isOn(setting::SE);
    s.log = settings_.isOn(setting::LOG);
    s.check = settings_.isOn(setting::CHECK);
    s.options.headPercent = settings_.isOn(setting::HEAD);
    s.options.code = punchCodeFor(settings_.get(setting::CODE).toLatin1().constData());
    return true;
}

bool SendEngine::encodeSource(Kind kind, std::string &source, std::size_t &selectionStart)
{
    const std::string_view text = view_.documentText();
    SjisEncoder encoder;
    std::string_view part = text;
    selectionStart = 0;
    if (kind == Kind::Selection) {
        const std::size_t start = std::min(view_.selectionStart(), text.size());
        const std::size_t end = std::clamp(view_.selectionEnd(), start, text.size());
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
    ports_.send.Close();
    ports_.receive.Close();
    if (kind == Kind::Document && view_.documentText().empty()) {
        dialogs_.message(QStringLiteral("送信データがありません"));
        return;
    }
    progress_.underWay(TransferProgress::Direction::Send);
    running_ = true;
    bool progressShown = false;
    struct CleanUp {
        SendEngine *engine;
        Kind kind;
        const bool &progressShown;
        ~CleanUp() { engine->cleanUp(kind, progressShown); }
    } cleanUp{this, kind, progressShown};

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
    setUpSendPort(ports_.send, s.speed, settings_);
    const PortOpening opening = openTransferPort(ports_.send, view_, dialogs_, state_.sendstop);
    if (!opening.opened)
        return;
    portOpened_ = true;
    state_.sendstop = std::exchange(cancelAtStart_, false);
    state_.sendok = true;
    if (!opening.locked)
        view_.lockForTransfer();
    view_.setStatusText(QStringLiteral("送信待機中"));
    if (s.sendRequest) {
        // The machine asks with DC1; no time limit, only cancel ends it.
        state_.sendok = false;
        while (!state_.sendok && !state_.sendstop) {
            view_.pumpMessages();
            clock_.pass(100, pump_);
        }
    }
    view_.setStatusText(QStringLiteral("送信中"));
    view_.showProgress(100);
    progressShown = true;

    data_ = encodeSendData(std::move(prepared), s.options.code);
    view_.pumpMessages();
    view_.showProgress(static_cast<int>(std::min<std::size_t>(data_.bytes.size(), INT32_MAX)));
    sendLoop(kind, s, selectionStart);
}

void SendEngine::sendLoop(Kind kind, const Settings &s, std::size_t selectionStart)
{
    // The first highlight.
    currentLine_ = firstLine_;
    if (kind == Kind::Document)
        view_.placeCaret(0);
    else
        view_.highlightLine(currentLine_);

    if (s.tape) {
        ports_.send.WriteByte(kDC2);  // its result does not matter; the loop's writes tell
        feedsend(data_.feedchar, s.feed);
    }
    sendrate_ = s.speed / 12;
    sendsec_ = 0;
    position_ = 0;
    view_.startRateTimer();

    const std::string &bytes = data_.bytes;
    const std::size_t n = bytes.size();
    const int pauseMs = kind == Kind::Document ? 10 : 100;
    for (std::size_t k = 0; k < n; ++k) {
        view_.pumpMessages();
        if (state_.sendstop)
            break;
        while (!state_.sendok) {
            view_.pumpMessages();
            clock_.pass(pauseMs, pump_);
            if (state_.sendstop)
                break;
        }
        if (isPacingPoint(k, s.speed))
            pacingPoint(k, s);
        if (kind == Kind::Document && s.tape && isProgramBoundary(bytes, k))
            feedsend(data_.feedchar, s.feed);
        if (!ports_.send.WriteByte(static_cast<std::uint8_t>(bytes[k]))) {
            writeFailed();
            break;
        }
        highlight(kind, k + 1);
    }

    if (kind == Kind::Selection)
        view_.placeCaret(selectionStart);
    if (s.tape) {
        feedsend(data_.feedchar, s.feed);  // returns at once after a stop
        ports_.send.WriteByte(kDC4);
    }
    // The machine's second to take the end in; no input is taken in it (a
    // cancel now would only mark a complete send as stopped in the log).
    clock_.pass(1000, paint_);
    if (kind == Kind::Document && s.log)
        writeLog();
}

void SendEngine::pacingPoint(std::size_t k, const Settings &s)
{
    clock_.pass(s.wait, pump_);
    position_ = static_cast<int>(std::min<std::size_t>(k, INT32_MAX));
    view_.setProgress(position_);
    const auto remaining = static_cast<long long>(data_.bytes.size() - k);
    view_.setStatusText(remainingText(remaining, sendrate_, s.speed));
}

void SendEngine::highlight(Kind kind, std::size_t p)
{
    const std::size_t line = firstLine_ + lineAt(lineStarts_, p);
    if (line == currentLine_)
        return;
    currentLine_ = line;
    if (kind == Kind::Document) {
        const QString text = view_.lineText(line);
        if (isProgramHead(text))
            view_.setIndexText(QString::fromStdString(trimLine(text.toStdString())));
    }
    view_.highlightLine(line);
}

void SendEngine::feedsend(std::uint8_t ch, int count)
{
    for (int i = 0; i < count; ++i) {
        view_.pumpMessages();
        if (state_.sendstop)
            return;
        while (!state_.sendok) {
            view_.pumpMessages();
            clock_.pass(100, pump_);
            if (state_.sendstop)
                return;
        }
        if (!ports_.send.WriteByte(ch)) {
            writeFailed();
            return;
        }
    }
}

void SendEngine::writeFailed()
{
    dialogs_.message(sendErrorMessage());
    state_.sendstop = true;
}

void SendEngine::writeLog()
{
    const QString line = sendLogLine(clock_.now(), view_.documentFileName(), state_.sendstop);
    if (const auto error = appendSendLog(logPath_, line))
        dialogs_.error(*error);
}

void SendEngine::cleanUp(Kind kind, bool progressShown)
{
    view_.stopRateTimer();
    ports_.send.Close();
    if (progressShown)
        view_.hideProgress();
    view_.unlockAfterTransfer();
    view_.setStatusText(QString());
    if (kind == Kind::Document) {
        if (!checkPlacedCaret_)
            view_.placeCaret(0);
        view_.showFirstIndexEntry();
    }
    running_ = false;
}

void SendEngine::handshake()
{
    // Reads while bytes wait. A read that fails although bytes were
    // reported is shown once and ends this arrival: reading on would
    // repeat the message without end.
    while (ports_.send.RxCount() > 0) {
        std::uint8_t b = 0;
        if (!ports_.send.ReadByte(b)) {
            dialogs_.message(QStringLiteral("データ読込みエラー"));
            return;
        }
        if (b == kDC1)
            state_.sendok = true;
        else if (b == kDC3)
            state_.sendok = false;
    }
}

void SendEngine::rateTick()
{
    if (!running_)
        return;
    sendsec_ += 5;
    sendrate_ = roundHalfEven(static_cast<double>(position_) / sendsec_);
}

void SendEngine::cancel()
{
    // Lets a port that aborted on a line error write again, then stops.
    ports_.send.ClearCommError();
    state_.sendstop = true;
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
    const std::string_view document = view_.documentText();
    PositionWalk walk(document);
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
                            view_.lineText(line)});
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
        if (answer.goTo && *answer.goTo >= 0 && static_cast<std::size_t>(*answer.goTo) < positions.size()) {
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
