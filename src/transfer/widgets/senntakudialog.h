#pragma once
// Tfrmsenntaku: the check list of the multiple-program send.
#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace marbolt {

class Tfrmsenntaku : public QDialog {
    Q_OBJECT
public:
    explicit Tfrmsenntaku(const QStringList &entries, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QListWidget *CheckListBox1 = nullptr;
    QPushButton *Button1 = nullptr;  // "OK"
    QPushButton *Button2 = nullptr;  // "キャンセル"
    QPushButton *Button3 = nullptr;  // "全て選択" / "全て解除"

    // The rows ticked, in list order.
    QList<int> checkedRows() const;

    void Button1Click() { accept(); }
    void Button2Click() { reject(); }
    void Button3Click();

protected:
    void showEvent(QShowEvent *event) override;
};

}  // namespace marbolt
