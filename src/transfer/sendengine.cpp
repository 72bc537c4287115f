#include "transfer/sendengine.h"
#include "document/olines.h"

#include "common/dialogs.h"
#include "common/settingsstore.h"
#include "document/sjistext.h"
#include "transfer/portsetup.h"
#include "transfer/receivedecoder.h"
#include "transfer/sendlog.h"

#include <algorithm>
#include <cstdint>

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
      logPath_(std::move(logPath))
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
    setUpSendPort(ports_.send, s.speed, settings_);
    if (!ports_.send.Open()) {
        view_.beep();
        dialogs_.message(QStringLiteral("回線オープンエラー"));
        return;
    }
    portOpened_ = true;
    state_.sendstop = false;
    state_.sendok = true;
    view_.lockForTransfer();
    view_.setStatusText(QStringLiteral("送信待機中"));
    if (s.sendRequest) {
        // The machine asks with DC1; no time limit, only cancel ends it.
        state_.sendok = false;
        while (!state_.sendok && !state_.sendstop) {
            view_.pumpMessages();
            clock_.sleep(100);
        }
    }
    view_.setStatusText(QStringLiteral("送信中"));
    view_.showProgress(100);
    progressShown = true;

    data_ = prepareSendData(source, s.options);
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
            clock_.sleep(pauseMs);
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
    clock_.sleep(1000);
    if (kind == Kind::Document && s.log)
        writeLog();
}

void SendEngine::pacingPoint(std::size_t k, const Settings &s)
{
    clock_.sleep(s.wait);
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
            clock_.sleep(100);
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

}  // namespace marbolt
