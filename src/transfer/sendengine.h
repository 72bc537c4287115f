#pragma once
// The send engine: a whole document or the selection to the machine over
// the send port, in the chosen punch code, paced by the machine's DC1/DC3,
// with tape-puncher framing, progress, the remaining-bytes estimate and
// the send log. It reads the settings and the text, asks the check's
// question and hands the prepared bytes to the machine's session, which
// opens the port and runs the job on its own thread; the engine shows
// what the session tells of it on the window, which is free meanwhile.
#include "common/dialogs.h"
#include "transfer/sendcheck.h"
#include "transfer/senddata.h"
#include "transfer/followedsession.h"
#include "transfer/sendjob.h"
#include "transfer/transfersession.h"
#include "transfer/transferstate.h"
#include "transfer/transferview.h"
#include "transfer/transfervalues.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace marbolt {

class Dialogs;
class SettingsStore;

class SendEngine {
public:
    SendEngine(SessionSource session, SettingsStore &settings, TransferProgress &progress, Dialogs &dialogs,
               SendView &view, QString logPath);

    // A send runs as a job and these return at once; onEnded tells when
    // it has ended (also when it never started).
    void sendDocument();   // send1Execute
    // Text that is not the editor's (UTF-8, CR LF), as a whole document:
    // the editor and its caret are left as they are.
    void sendText(std::string utf8);
    // psend3Execute; caretHomeAfter: the caret goes to the document's
    // start afterwards, unless the check put it on a finding.
    void sendSelection(bool caretHomeAfter = false);
    // The same for the document's text from start to end (editor
    // positions), without selecting it.
    void sendRange(std::size_t start, std::size_t end, bool caretHomeAfter = false);
    void setOnEnded(std::function<void()> ended) { ended_ = std::move(ended); }
    // DC1 and DC3 from the machine, on a port that does not tell its
    // session itself.
    void handshake();
    // Timer1Timer: measures the rate every 5 s.
    void rateTick();
    // Cancel of a send.
    void cancel();
    // A cancel that came between two sends of a repeat: the next send
    // stops at its first wait, as if it had come there.
    void cancelAtStart(bool on) { cancelAtStart_ = on; }
    // The check before a send on the whole document, without sending: the
    // list of findings, or "問題は見つかりませんでした。".
    void checkDocument();
    // While on (a repeat send), the answer to the first check stands for
    // the sends that follow, which ask no more.
    void keepCheckAnswer(bool keep);
    // The last check put the caret on a finding: it stays there.
    bool checkPlacedCaret() const { return checkPlacedCaret_; }

    bool running() const { return running_; }
    // Whether the last send got as far as opening its port.
    bool portOpened() const { return portOpened_; }
    // The figures of the running (or last) send, as its session measured them.
    long long sendrate() const { return sendrate_; }
    int sendsec() const { return sendsec_; }

private:
    enum class Kind { Document, Selection };
    bool portOpened_ = false;
    struct Settings {
        TransferValues values;
        bool check = false;  // CHECK "1"
        SendOptions options;
    };

    void run(Kind kind);
    bool readSettings(Settings &out);
    bool encodeSource(Kind kind, std::string &source, std::size_t &selectionOffset);
    // The check before the send: false when the user stops it. May leave
    // comments out of source and prepared.
    bool passesCheck(Kind kind, const Settings &s, std::string &source, PreparedText &prepared,
                     std::size_t selectionStart);
    SendCheckReport reportFor(Kind kind, std::string_view source, const PreparedText &prepared,
                              const std::vector<CheckFinding> &findings, std::size_t selectionStart,
                              std::vector<std::size_t> &rowPositions) const;
    SendPlan sendPlan(Kind kind, const Settings &s, PreparedText prepared);
    // Hands the plan to the session and follows it; false when the
    // session would not take it.
    bool runJob(TransferSession &session, Kind kind, SendPlan plan, const Settings &s, std::size_t selectionStart);
    void sessionEnded(Kind kind, SessionOutcome outcome);
    void highlight(Kind kind, std::size_t line);
    void cleanUp(Kind kind);

    SettingsStore &settings_;
    TransferProgress &progress_;
    Dialogs &dialogs_;
    SendView &view_;
    FollowedSession session_;
    long long sendrate_ = 0;
    int sendsec_ = 0;
    QString logPath_;
    bool cancelAtStart_ = false;
    bool caretHomeAfter_ = false;
    bool progressShown_ = false;
    std::function<void()> ended_;
    std::optional<std::string> otherText_;  // sendText's, while it runs
    std::pair<std::size_t, std::size_t> range_;  // of a selection send
    std::string_view sourceText() const;

    bool running_ = false;
    bool keepCheckAnswer_ = false;
    bool checkPlacedCaret_ = false;
    std::optional<SendCheckChoice> standingAnswer_;
    std::vector<std::size_t> lineStarts_;  // of the document, for the highlight
    std::size_t firstLine_ = 0;  // editor line of the selection's start
};

// The message of a failed write.
QString sendErrorMessage();

}  // namespace marbolt
