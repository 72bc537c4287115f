#pragma once
// 送受信履歴: the transfers of the history, filtered by machine, program and
// days, the latest first; a recorded version opened read-only, or compared
// with the document. It reads the database itself, on the window's
// thread (a program's history answers in milliseconds even at a million
// transfers); what to do with a version is the main window's.
#include "history/historydatabase.h"

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace marbolt {

class HistoryWindow : public QDialog {
    Q_OBJECT
public:
    // place: the history the settings name; machines: the names offered in
    // the machine box (any other may be typed).
    HistoryWindow(const HistoryConnection &place, const QStringList &machines, QWidget *parent = nullptr);

    // Lists what the boxes ask for; false, with why in the status line,
    // when the history cannot be read or the program box holds no number.
    bool search();
    const std::vector<HistoryEntry> &entries() const { return entries_; }
    // The selected row's version as the editor shows it (UTF-8, CR LF),
    // with its caption; nullopt (said in the status line) when none is
    // selected or its text cannot be read.
    struct Version {
        QString title;
        std::string text;
        std::optional<long> program;
    };
    std::optional<Version> selectedVersion();

    QComboBox *machine = nullptr;
    QLineEdit *program = nullptr;
    QCheckBox *fromOn = nullptr;
    QDateEdit *from = nullptr;
    QCheckBox *toOn = nullptr;
    QDateEdit *to = nullptr;
    QPushButton *searchButton = nullptr;   // 検索
    QPushButton *openButton = nullptr;     // 開く
    QPushButton *compareButton = nullptr;  // 文書と照合
    QTableWidget *table = nullptr;
    QLabel *status = nullptr;

signals:
    void openRequested(const QString &title, const std::string &text);
    void compareRequested(const QString &title, const std::string &text, std::optional<long> program);

private:
    void showEntries();
    void selectionChanged();

    HistoryConnection place_;
    HistoryDatabase db_;
    std::vector<HistoryEntry> entries_;
};

// "O1234 3号機 送信 2026-12-05 08:00": a version as a caption names it.
QString versionTitle(const HistoryEntry &entry);

}  // namespace marbolt
