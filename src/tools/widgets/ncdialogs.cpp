#include "tools/widgets/ncdialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace marbolt {

namespace {

QDialogButtonBox *okCancel(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QSpinBox *spinBox(QWidget *parent, const char *name, int low, int high, long value)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1StringView(name));
    box->setRange(low, high);
    box->setValue(static_cast<int>(std::clamp<long>(value, low, high)));
    return box;
}

}  // namespace

QWidget *ScopeChoice::build(QWidget *parent, NcScope scope, bool hasSelection)
{
    auto *box = new QGroupBox(QStringLiteral("範囲"), parent);
    auto *column = new QVBoxLayout(box);
    group_ = new QButtonGroup(box);
    const std::pair<NcScope, const char *> choices[] = {
        {NcScope::Selection, "選択範囲の行(&S)"},
        {NcScope::Program, "カーソルのあるプログラム(&P)"},
        {NcScope::Document, "文書全体(&D)"},
    };
    for (const auto &[value, caption] : choices) {
        auto *button = new QRadioButton(QString::fromUtf8(caption), box);
        button->setObjectName(QStringLiteral("Scope%1").arg(static_cast<int>(value)));
        button->setEnabled(value != NcScope::Selection || hasSelection);
        button->setChecked(value == scope);
        group_->addButton(button, static_cast<int>(value));
        column->addWidget(button);
    }
    return box;
}

NcScope ScopeChoice::scope() const
{
    return static_cast<NcScope>(group_->checkedId());
}

RenumberDialog::RenumberDialog(const RenumberQuestion &initial, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RenumberDialog"));
    setWindowTitle(QStringLiteral("番号の振り直し"));
    auto *column = new QVBoxLayout(this);
    column->addWidget(scope_.build(this, initial.scope, initial.hasSelection));
    auto *form = new QFormLayout;
    start_ = spinBox(this, "Start", 0, 99999, initial.options.start);
    step_ = spinBox(this, "Step", 1, 10000, initial.options.step);
    digits_ = spinBox(this, "Digits", 0, 5, initial.options.digits);
    digits_->setSpecialValueText(QStringLiteral("そろえない"));
    form->addRow(QStringLiteral("開始番号(&N)"), start_);
    form->addRow(QStringLiteral("増分(&I)"), step_);
    form->addRow(QStringLiteral("桁数(&G)"), digits_);
    column->addLayout(form);
    onlyNumbered_ = new QCheckBox(QStringLiteral("番号のあるブロックだけ(&O)"), this);
    onlyNumbered_->setObjectName(QStringLiteral("OnlyNumbered"));
    onlyNumbered_->setChecked(initial.options.onlyNumbered);
    lathe_ = new QCheckBox(QStringLiteral("旋盤: G70～G73 の P/Q も書き換える(&L)"), this);
    lathe_->setObjectName(QStringLiteral("Lathe"));
    lathe_->setChecked(initial.options.lathe);
    column->addWidget(onlyNumbered_);
    column->addWidget(lathe_);
    column->addWidget(okCancel(this));
    start_->setFocus();
    start_->selectAll();
}

RenumberQuestion RenumberDialog::answer() const
{
    RenumberQuestion a;
    a.scope = scope_.scope();
    a.options.start = start_->value();
    a.options.step = step_->value();
    a.options.digits = digits_->value();
    a.options.onlyNumbered = onlyNumbered_->isChecked();
    a.options.lathe = lathe_->isChecked();
    return a;
}

std::optional<RenumberQuestion> NcDialogs::renumber(const RenumberQuestion &initial)
{
    RenumberDialog dialog(initial, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    RenumberQuestion a = dialog.answer();
    a.hasSelection = initial.hasSelection;
    return a;
}

}  // namespace marbolt
