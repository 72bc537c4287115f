#pragma once
// The send engine: a whole document or the selection to the machine over
// the send port, in the chosen punch code, paced by the machine's DC1/DC3,
// with tape-puncher framing, progress, the remaining-bytes estimate and
// the send log. It reads the settings and the text, asks the check's
// question, opens the port and then hands the bytes to a SendJob, whose
// signals it shows on the window; the window is free while the job runs.
#include "serial/lineport.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "transfer/sendcheck.h"
#include "transfer/senddata.h"
#include "transfer/sendjob.h"
#include "transfer/transferstate.h"
#include "transfer/transferview.h"

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

struct SendPorts {
    LinePort &send;     // rs232c1
    LinePort &receive;  // rs232c2, closed before a send
};

class SendEngine {
public:
    SendEngine(SendPorts ports, SettingsStore &settings, TransferState &state, TransferProgress &progress,
               Dialogs &dialogs, Clock &clock, SendView &view, QString logPath);

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
    // rs232c1RXCHAR: DC1 and DC3 from the machine.
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
    // The figures of the running (or last) send.
    long long sendrate() const { return job_ ? job_->rate() : 0; }
    int sendsec() const { return job_ ? job_->seconds() : 0; }

private:
    enum class Kind { Document, Selection };
    bool portOpened_ = false;
    struct Settings {
        int speed = 0;
        int wait = 0;
        bool tape = false;
        int feed = 0;
        bool sendRequest = false;  // SE "1"
        bool log = false;
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
    void runJob(Kind kind, SendPlan plan, std::size_t selectionStart);
    void highlight(Kind kind, std::size_t line);
    void cleanUp(Kind kind);

    SendPorts ports_;
    SettingsStore &settings_;
    TransferState &state_;
    TransferProgress &progress_;
    Dialogs &dialogs_;
    Clock &clock_;
    SendView &view_;
    QString logPath_;
    bool cancelAtStart_ = false;
    bool caretHomeAfter_ = false;
    bool progressShown_ = false;
    std::function<void()> ended_;
    std::optional<std::string> otherText_;  // sendText's, while it runs
    std::pair<std::size_t, std::size_t> range_;  // of a selection send
    std::string_view sourceText() const;
    std::unique_ptr<SendJob> job_;  // the running or the last send

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
