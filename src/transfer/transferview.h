#pragma once
// What the transfers show and touch on the window, and nothing more. The
// main window implements these; the engines never include a widget.
#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt {

class TransferView {
public:
    virtual ~TransferView() = default;
    virtual void setStatusText(const QString &text) = 0;  // panel 0
    virtual void lockForTransfer() = 0;                   // enabledfalse
    virtual void unlockAfterTransfer() = 0;               // enabledtrue
    virtual void beep() = 0;
};

class SendView : public virtual TransferView {
public:
    // The editor's text (UTF-8, CR LF) and its selection, in its positions.
    virtual std::string_view documentText() const = 0;
    virtual std::size_t selectionStart() const = 0;
    virtual std::size_t selectionEnd() const = 0;
    virtual QString documentFileName() const = 0;

    virtual void showProgress(int maximum) = 0;
    virtual void setProgress(int position) = 0;
    virtual void hideProgress() = 0;
    virtual void startRateTimer() = 0;  // Timer1
    virtual void stopRateTimer() = 0;

    // Selects editor line `line` as the one being sent.
    virtual void highlightLine(std::size_t line) = 0;
    virtual QString lineText(std::size_t line) const = 0;
    virtual void setIndexText(const QString &text) = 0;
    virtual void showFirstIndexEntry() = 0;
    // Empty selection, caret at an editor position.
    virtual void placeCaret(std::size_t position) = 0;
};

class ReceiveView : public virtual TransferView {
public:
    // The new-document step; false when the user kept the changed document.
    virtual bool startNewDocument() = 0;
    // The live view: the newest lines, cleared when the next one would not fit.
    virtual void showReceivedLine(const QString &line) = 0;
    // An O-line for the index box: added to its list and shown.
    virtual void addProgram(const QString &line) = 0;
    // The received text becomes the document, in one piece, and its
    // program index is built again from it as an open builds it.
    virtual void setReceivedText(const std::string &text) = 0;
    // Lines of that document (0-based) that came with faulty bytes.
    virtual void markFaultyLines(const std::vector<std::size_t> &lines) = 0;
};

}  // namespace marbolt
