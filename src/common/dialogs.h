#pragma once
// Every question, report and file dialog of the program goes through this
// interface, so that window tests can answer them without a person. The
// two that speak the toolkit's own types, the font and the printer, are
// the window's (common/widgets/windowdialogs.h): what is here needs Qt
// Core only.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace marbolt {

enum class Answer { Yes, No, Cancel, Ok };

enum class Buttons { Ok, OkCancel, YesNoCancel };

struct FileRequest {
    QString folder;        // initial folder
    QString prefill;       // pre-filled file name or path
    QStringList filters;   // "All Files (*.*)" style; may be empty
    int filterIndex = 1;   // 1-based, as the settings store it
};

struct FileChoice {
    QString path;
    int filterIndex = 1;
};

// The list of the check before a send.
struct SendCheckRow {
    int line = 1;    // 1-based
    int column = 1;  // 1-based, in characters
    QString kind;
    QString text;    // the line's text
};
struct SendCheckReport {
    QList<SendCheckRow> rows;  // the first findings
    int total = 0;             // all findings
    bool sending = true;       // false: the check alone, with only "閉じる"
    bool canLeaveOutComments = false;  // every finding lies inside a comment
};
enum class SendCheckChoice { Cancel, SendAsIs, SendWithoutComments };

// The answer to a recovery copy offered at start.
enum class RecoveryChoice { Restore, Discard, Later };
struct SendCheckAnswer {
    SendCheckChoice choice = SendCheckChoice::Cancel;
    std::optional<int> goTo;  // the row double-clicked: the caret goes there
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Plain box with the application title and OK.
    virtual void message(const QString &text) = 0;
    // Information box, caption "情報".
    virtual Answer information(const QString &text, Buttons buttons) = 0;
    // Error box.
    virtual void error(const QString &text) = 0;
    // Information box with OK, caption "確認".
    virtual void confirmation(const QString &text) = 0;
    virtual std::optional<FileChoice> openFile(const FileRequest &request) = 0;
    virtual std::optional<FileChoice> saveFile(const FileRequest &request) = 0;
    // The folder dialog "保存先フォルダの選択", starting in start; nullopt on cancel.
    virtual std::optional<QString> chooseFolder(const QString &start) = 0;
    // The check list of programs to send: the rows ticked, in list order;
    // nullopt on cancel.
    virtual std::optional<QList<int>> choosePrograms(const QStringList &entries) = 0;
    // The dialog "送信前チェック" with the findings.
    virtual SendCheckAnswer sendCheck(const SendCheckReport &report) = 0;
    // A recovery copy offered with text: "復元する", "破棄する" or "後で"
    // (also the answer of a box closed without a choice).
    virtual RecoveryChoice offerRecovery(const QString &text) = 0;
    // A one-line text asked under caption with label, starting as initial;
    // nullopt on cancel.
    virtual std::optional<QString> askText(const QString &caption, const QString &label,
                                           const QString &initial) = 0;
};

}  // namespace marbolt
