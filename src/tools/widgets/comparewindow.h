#pragma once
// The compare (照合) window: the document (or its current program) on the
// left, a file or a punched-back tape on the right, the differing blocks
// marked, the two sides scrolling together.
#include "tools/nccompare.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace marbolt {

class Dialogs;

class CompareWindow : public QDialog {
    Q_OBJECT
public:
    // left: the editor's text being compared (UTF-8), whose first line is
    // the editor's line firstLine; what says which it is.
    CompareWindow(const QString &what, std::string left, std::size_t firstLine, Dialogs &dialogs,
                  QWidget *parent = nullptr);

    // The other side; compares and shows. With no difference the 情報 box
    // says so.
    void setRightText(const QString &title, std::string right);
    // The sources stay off while a reception runs.
    void setSourcesEnabled(bool enabled);

    int differenceCount() const { return static_cast<int>(differences_.size()); }
    int currentDifference() const { return current_; }
    void nextDifference();      // 次の相違, F3
    void previousDifference();  // 前の相違, Shift+F3

    QLabel *what = nullptr;
    QPushButton *fromFile = nullptr;       // "ファイルと照合…"
    QPushButton *fromReception = nullptr;  // "受信して照合…"
    QCheckBox *ignoreN = nullptr;
    QCheckBox *ignoreBlanks = nullptr;
    QCheckBox *ignoreComments = nullptr;
    QCheckBox *byValue = nullptr;
    QPlainTextEdit *left = nullptr;
    QPlainTextEdit *right = nullptr;
    QLabel *rightTitle = nullptr;
    QLabel *status = nullptr;
    // The current difference: "F100. → F200.", "ドキュメントのみ", "照合先のみ".
    QLabel *change = nullptr;

signals:
    void fileRequested();
    void receptionRequested();
    // A block of the document was double-clicked: its editor line.
    void goToLine(std::size_t editorLine);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    CompareOptions options() const;
    void recompare();
    void showMarks();
    void showDifference(int index);
    void follow(QPlainTextEdit *from, QPlainTextEdit *to, bool fromLeft);

    Dialogs &dialogs_;
    std::string leftText_, rightText_;
    std::size_t firstLine_ = 0;
    bool haveRight_ = false;
    std::vector<CompareBlock> leftBlocks_, rightBlocks_;
    std::vector<Difference> differences_;
    // The changed words of each changed pair, as character ranges of a
    // line of either side, and what they say ("F100. → F200.").
    struct WordMark {
        bool leftSide = true;
        std::size_t line = 0;
        int start = 0, length = 0;  // in characters of the line as shown
    };
    std::vector<WordMark> wordMarks_;
    std::vector<QString> wordChanges_;  // one per difference, empty when none
    // Lines of matched blocks, left and right, in order: the two sides
    // scroll to keep these level.
    std::vector<std::pair<std::size_t, std::size_t>> anchors_;
    int current_ = -1;
    bool following_ = false;
};

}  // namespace marbolt
