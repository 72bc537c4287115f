#pragma once
// The real boxes and dialogs of the desktop behind the Dialogs interface.
#include "common/widgets/windowdialogs.h"

class QWidget;

namespace marbolt {

// The real boxes and dialogs of the desktop.
class WidgetDialogs : public WindowDialogs {
public:
    void setParent(QWidget *parent) { parent_ = parent; }
    void message(const QString &text) override;
    Answer information(const QString &text, Buttons buttons) override;
    RecoveryChoice offerRecovery(const QString &text) override;
    void error(const QString &text) override;
    void confirmation(const QString &text) override;
    std::optional<QFont> chooseFont(const QFont &current) override;
    std::optional<FileChoice> openFile(const FileRequest &request) override;
    std::optional<FileChoice> saveFile(const FileRequest &request) override;
    bool printerSetup(QPrinter &printer) override;
    std::optional<QString> chooseFolder(const QString &start) override;
    std::optional<QList<int>> choosePrograms(const QStringList &entries) override;
    SendCheckAnswer sendCheck(const SendCheckReport &report) override;
    std::optional<QString> askText(const QString &caption, const QString &label, const QString &initial) override;

private:
    QWidget *parent_ = nullptr;
};

}  // namespace marbolt
