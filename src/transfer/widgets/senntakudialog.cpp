#include "transfer/widgets/senntakudialog.h"

#include "common/widgets/fontfallback.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

namespace marbolt {

Tfrmsenntaku::Tfrmsenntaku(const QStringList &entries, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmsenntaku"));
    setWindowTitle(QStringLiteral("複数プログラム送信"));
    // A fixed dialog border without title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(307, 331);
    setFont(dialogFont(12));

    Label1 = new QLabel(QStringLiteral("送信したいプログラムを選択してOKをクリックしてください。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, 291, 16);
    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->setGeometry(16, 32, 273, 257);
    for (const QString &entry : entries) {
        auto *item = new QListWidgetItem(entry, CheckListBox1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    Button3 = new QPushButton(QStringLiteral("全て選択"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(16, 298, 81, 25);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(120, 298, 81, 25);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(208, 298, 81, 25);
    connect(Button1, &QPushButton::clicked, this, &Tfrmsenntaku::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tfrmsenntaku::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &Tfrmsenntaku::Button3Click);
}

void Tfrmsenntaku::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Centred on the desktop, not on the main window.
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

QList<int> Tfrmsenntaku::checkedRows() const
{
    QList<int> rows;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        if (CheckListBox1->item(i)->checkState() == Qt::Checked)
            rows.append(i);
    return rows;
}

void Tfrmsenntaku::Button3Click()
{
    const bool check = Button3->text() == QStringLiteral("全て選択");
    for (int i = 0; i < CheckListBox1->count(); ++i)
        CheckListBox1->item(i)->setCheckState(check ? Qt::Checked : Qt::Unchecked);
    Button3->setText(check ? QStringLiteral("全て解除") : QStringLiteral("全て選択"));
}

}  // namespace marbolt
