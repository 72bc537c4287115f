#pragma once
// The main window as the transfers see it: the status bar and its progress
// bar, the editor, the index box, the rate timer, the lock and the message
// pump.
#include "transfer/transferview.h"

#include <functional>

class QTimer;

namespace marbolt {

class IndexBox;
class NcEditor;
class StatusPanels;

// The window's own steps a transfer runs.
struct TransferWindowSteps {
    std::function<void()> lock;                // enabledfalse
    std::function<void()> unlock;              // enabledtrue
    std::function<bool()> newDocument;         // FileNew1Execute; false when the user kept the old one
    std::function<QString()> documentFileName;
};

class WindowTransferView : public SendView, public ReceiveView {
public:
    WindowTransferView(NcEditor &editor, IndexBox &index, StatusPanels &status, QTimer &rateTimer,
                       TransferWindowSteps steps)
        : editor_(editor), index_(index), status_(status), rateTimer_(rateTimer), steps_(std::move(steps))
    {
    }

    void setStatusText(const QString &text) override;
    void lockForTransfer() override;
    void unlockAfterTransfer() override;
    void beep() override;

    std::string_view documentText() const override;
    std::size_t selectionStart() const override;
    std::size_t selectionEnd() const override;
    QString documentFileName() const override;
    void showProgress(int maximum) override;
    void setProgress(int position) override;
    void hideProgress() override;
    void startRateTimer() override;
    void stopRateTimer() override;
    void highlightLine(std::size_t line) override;
    QString lineText(std::size_t line) const override;
    void setIndexText(const QString &text) override;
    void showFirstIndexEntry() override;
    void placeCaret(std::size_t position) override;

    bool startNewDocument() override;
    void showReceivedLine(const QString &line) override;
    void addProgram(const QString &line) override;
    void setReceivedText(const std::string &text) override;
    void markFaultyLines(const std::vector<std::size_t> &lines) override;

private:
    NcEditor &editor_;
    IndexBox &index_;
    StatusPanels &status_;
    QTimer &rateTimer_;
    TransferWindowSteps steps_;
};

}  // namespace marbolt
