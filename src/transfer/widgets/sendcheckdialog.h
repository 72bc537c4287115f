#pragma once
// The dialog "送信前チェック": the findings of the check before a send, and
// what to do with them. Double-clicking a finding closes it with the caret
// to go there.
#include "common/dialogs.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace marbolt {

class SendCheckDialog : public QDialog {
    Q_OBJECT
public:
    explicit SendCheckDialog(const SendCheckReport &report, QWidget *parent = nullptr);

    SendCheckAnswer answer() const { return answer_; }

    QLabel *summary = nullptr;
    QTreeWidget *list = nullptr;
    QPushButton *stop = nullptr;          // "中止", or "閉じる" for the check alone
    QPushButton *sendAsIs = nullptr;      // "そのまま送信"
    QPushButton *leaveOutComments = nullptr;  // "コメントを除いて送信"

private:
    void finish(SendCheckChoice choice);
    void goTo(QTreeWidgetItem *item);

    SendCheckAnswer answer_;
};

}  // namespace marbolt
