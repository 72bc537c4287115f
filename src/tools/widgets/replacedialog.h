#pragma once
// TfrmReplace: the modeless replace dialog. It copies its fields into the
// shared replace state and runs the replacer; it lives as long as the
// main window and is only shown and hidden.
#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace marbolt {

struct ReplaceState;
class Replacer;

class TfrmReplace : public QDialog {
    Q_OBJECT
public:
    // selectedText gives the editor's selection when the dialog shows.
    TfrmReplace(ReplaceState &state, Replacer &replacer, std::function<QString()> selectedText,
                QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Edit2 = nullptr;
    QPushButton *Button1 = nullptr;  // "次を検索"
    QPushButton *Button2 = nullptr;  // "置換して次に"
    QPushButton *Button3 = nullptr;  // "すべて置換"
    QPushButton *Button5 = nullptr;  // "現プログラムのみすべて置換"
    QPushButton *Button4 = nullptr;  // "閉じる"
    QCheckBox *CheckBox1 = nullptr;  // "コメント部は置換しない"

    void FormShow();
    void Edit1Change();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void copyFields();
    ReplaceState &state_;
    Replacer &replacer_;
    std::function<QString()> selectedText_;
};

}  // namespace marbolt
