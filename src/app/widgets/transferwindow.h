#pragma once
// The main window as the transfers see it: the status bar and its progress
// bar, the editor, the index box, the lock and the message pump.
#include "transfer/transferview.h"

class QProgressBar;

namespace marbolt {

class TSDIAppForm;

class WindowTransferView : public SendView, public ReceiveView {
public:
    explicit WindowTransferView(TSDIAppForm &form) : form_(form) {}

    void pumpMessages() override;
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

private:
    TSDIAppForm &form_;
};

}  // namespace marbolt
