#include "tools/widgets/finddialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace marbolt {

FindDialog::FindDialog(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FindDialog1"));
    setWindowTitle(QStringLiteral("検索"));
    setModal(false);

    field = new QLineEdit(this);
    field->setMaxLength(255);
    findNext = new QPushButton(QStringLiteral("次を検索(&F)"), this);
    findNext->setDefault(true);
    cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    matchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    wholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"), this);
    matchCase->setEnabled(false);
    wholeWord->setEnabled(false);
    auto *direction = new QGroupBox(QStringLiteral("方向"), this);
    upItem = new QRadioButton(QStringLiteral("上へ(&U)"), direction);
    downItem = new QRadioButton(QStringLiteral("下へ(&D)"), direction);
    downItem->setChecked(true);
    auto *dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(upItem);
    dirLayout->addWidget(downItem);

    auto *grid = new QGridLayout(this);
    auto *label = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
    label->setBuddy(field);  // renders the mnemonic; Alt+N goes to the field
    grid->addWidget(label, 0, 0);
    grid->addWidget(field, 0, 1, 1, 2);
    grid->addWidget(findNext, 0, 3);
    auto *options = new QVBoxLayout;
    options->addWidget(wholeWord);
    options->addWidget(matchCase);
    grid->addLayout(options, 1, 0, 1, 2);
    grid->addWidget(direction, 1, 2);
    grid->addWidget(cancel, 1, 3, Qt::AlignTop);

    connect(findNext, &QPushButton::clicked, this, &FindDialog::findNextPressed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
}

void FindDialog::execute()
{
    if (!isVisible()) {
        field->setText(searchText);
        upItem->setChecked(!down);
        downItem->setChecked(down);
        show();
    }
    raise();
    activateWindow();
    field->setFocus();
}

void FindDialog::findNextPressed()
{
    searchText = field->text();
    down = downItem->isChecked();
    emit find();
}

}  // namespace marbolt
