#include "tools/widgets/ncdialogs.h"

#include "common/widgets/fontfallback.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPlainTextEdit>
#include <QGroupBox>
#include <QLabel>
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

// A fixed face that has the Japanese characters too, so that digits keep
// their width beside them.
QFont reportFont()
{
    QFont font(installedFixedFace(QStringLiteral("ＭＳ ゴシック")));
    font.setPixelSize(13);
    return font;
}

QDoubleSpinBox *lengthBox(QWidget *parent, const char *name, double low, double high, double value, int decimals = 4)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1StringView(name));
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setValue(value);
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

TransformDialog::TransformDialog(const TransformQuestion &initial, QWidget *parent)
    : QDialog(parent), lathe_(initial.lathe)
{
    setObjectName(QStringLiteral("TransformDialog"));
    setWindowTitle(QStringLiteral("座標変換"));
    auto *column = new QVBoxLayout(this);
    auto *kinds = new QGroupBox(QStringLiteral("変換"), this);
    auto *kindColumn = new QVBoxLayout(kinds);
    kind_ = new QButtonGroup(kinds);
    const std::pair<TransformKind, const char *> choices[] = {
        {TransformKind::Translate, "移動(&M)"},     {TransformKind::Scale, "拡大・縮小(&Z)"},
        {TransformKind::Rotate, "Z 軸まわりの回転(&R)"}, {TransformKind::MirrorX, "X 反転 (ミラー)(&X)"},
        {TransformKind::MirrorY, "Y 反転 (ミラー)(&Y)"},
    };
    for (const auto &[value, caption] : choices) {
        auto *button = new QRadioButton(QString::fromUtf8(caption), kinds);
        button->setObjectName(QStringLiteral("Kind%1").arg(static_cast<int>(value)));
        // A lathe's X is a diameter and it has no Y: neither turned nor mirrored.
        button->setEnabled(!lathe_ || value == TransformKind::Translate || value == TransformKind::Scale);
        button->setChecked(value == initial.kind);
        kind_->addButton(button, static_cast<int>(value));
        kindColumn->addWidget(button);
    }
    column->addWidget(kinds);
    auto *form = new QFormLayout;
    constexpr double kFar = 99999.999;
    dx_ = lengthBox(this, "DX", -kFar, kFar, initial.dx);
    dy_ = lengthBox(this, "DY", -kFar, kFar, initial.dy);
    dz_ = lengthBox(this, "DZ", -kFar, kFar, initial.dz);
    factor_ = lengthBox(this, "Factor", 0.0001, 1000, initial.factor, 5);
    degrees_ = lengthBox(this, "Degrees", -360, 360, initial.degrees, 4);
    cx_ = lengthBox(this, "CX", -kFar, kFar, initial.cx);
    cy_ = lengthBox(this, "CY", -kFar, kFar, initial.cy);
    cz_ = lengthBox(this, "CZ", -kFar, kFar, initial.cz);
    form->addRow(QStringLiteral("移動量 X"), dx_);
    form->addRow(lathe_ ? QStringLiteral("移動量 (Y なし)") : QStringLiteral("移動量 Y"), dy_);
    form->addRow(QStringLiteral("移動量 Z"), dz_);
    form->addRow(QStringLiteral("倍率"), factor_);
    form->addRow(QStringLiteral("角度 (度、反時計回り)"), degrees_);
    form->addRow(QStringLiteral("中心 X"), cx_);
    form->addRow(QStringLiteral("中心 Y"), cy_);
    form->addRow(QStringLiteral("中心 Z"), cz_);
    column->addLayout(form);
    column->addWidget(scope_.build(this, initial.scope, initial.hasSelection));
    column->addWidget(okCancel(this));
    connect(kind_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            kindChosen();
    });
    kindChosen();
    // The first value of the kind takes the keys.
    for (QDoubleSpinBox *box : {dx_, factor_, degrees_, cx_, cy_})
        if (box->isEnabled()) {
            box->setFocus();
            box->selectAll();
            break;
        }
}

void TransformDialog::kindChosen()
{
    const auto kind = static_cast<TransformKind>(kind_->checkedId());
    dx_->setEnabled(kind == TransformKind::Translate);
    dy_->setEnabled(kind == TransformKind::Translate && !lathe_);
    dz_->setEnabled(kind == TransformKind::Translate);
    factor_->setEnabled(kind == TransformKind::Scale);
    degrees_->setEnabled(kind == TransformKind::Rotate);
    cx_->setEnabled(kind != TransformKind::Translate && kind != TransformKind::MirrorY);
    cy_->setEnabled(kind != TransformKind::Translate && kind != TransformKind::MirrorX && !lathe_);
    cz_->setEnabled(kind == TransformKind::Scale);
}

TransformQuestion TransformDialog::answer() const
{
    TransformQuestion a;
    a.scope = scope_.scope();
    a.lathe = lathe_;
    a.kind = static_cast<TransformKind>(kind_->checkedId());
    a.dx = dx_->value();
    a.dy = lathe_ ? 0 : dy_->value();
    a.dz = dz_->value();
    a.factor = factor_->value();
    a.degrees = degrees_->value();
    a.cx = cx_->value();
    a.cy = lathe_ ? 0 : cy_->value();
    a.cz = cz_->value();
    return a;
}

RateDialog::RateDialog(const RateQuestion &initial, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RateDialog"));
    setWindowTitle(QStringLiteral("送り・回転数の倍率"));
    auto *column = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    feed_ = lengthBox(this, "FeedPercent", 1, 1000, initial.feedPercent, 1);
    feed_->setSuffix(QStringLiteral(" %"));
    spindle_ = lengthBox(this, "SpindlePercent", 1, 1000, initial.spindlePercent, 1);
    spindle_->setSuffix(QStringLiteral(" %"));
    form->addRow(QStringLiteral("送り F(&F)"), feed_);
    form->addRow(QStringLiteral("回転数 S(&S)"), spindle_);
    column->addLayout(form);
    column->addWidget(scope_.build(this, initial.scope, initial.hasSelection));
    column->addWidget(okCancel(this));
    feed_->setFocus();
    feed_->selectAll();
}

RateQuestion RateDialog::answer() const
{
    RateQuestion a;
    a.scope = scope_.scope();
    a.feedPercent = feed_->value();
    a.spindlePercent = spindle_->value();
    return a;
}

std::optional<TransformQuestion> NcDialogs::transform(const TransformQuestion &initial)
{
    TransformDialog dialog(initial, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    TransformQuestion a = dialog.answer();
    a.hasSelection = initial.hasSelection;
    return a;
}

std::optional<RateQuestion> NcDialogs::rates(const RateQuestion &initial)
{
    RateDialog dialog(initial, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    RateQuestion a = dialog.answer();
    a.hasSelection = initial.hasSelection;
    return a;
}

void NcDialogs::statistics(const QString &report)
{
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("StatisticsDialog"));
    dialog.setWindowTitle(QStringLiteral("プログラム統計"));
    auto *column = new QVBoxLayout(&dialog);
    auto *text = new QPlainTextEdit(report, &dialog);
    text->setObjectName(QStringLiteral("Report"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(reportFont());
    const QFontMetrics metrics(text->font());
    text->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('M')) * 90, metrics.lineSpacing() * 18);
    column->addWidget(text);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    dialog.exec();
}

std::optional<QString> NcDialogs::confirmRestart(const RestartQuestion &question)
{
    QDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("RestartDialog"));
    dialog.setWindowTitle(QStringLiteral("再開送信"));
    auto *column = new QVBoxLayout(&dialog);
    auto *where = new QLabel(QStringLiteral("%1 から再開します。ヘッダを確かめてから送信してください。")
                                 .arg(question.where),
                             &dialog);
    where->setTextFormat(Qt::PlainText);
    column->addWidget(where);
    if (!question.notes.isEmpty()) {
        auto *notes = new QLabel(QStringLiteral("注意:\n・") + question.notes.join(QStringLiteral("\n・")), &dialog);
        notes->setObjectName(QStringLiteral("Notes"));
        notes->setTextFormat(Qt::PlainText);
        notes->setStyleSheet(QStringLiteral("color: #b00000"));
        column->addWidget(notes);
    }
    auto *header = new QPlainTextEdit(question.header, &dialog);
    header->setObjectName(QStringLiteral("Header"));
    header->setLineWrapMode(QPlainTextEdit::NoWrap);
    header->setTabChangesFocus(true);  // Tab goes on to 送信
    header->setFont(reportFont());
    const QFontMetrics metrics(header->font());
    header->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('M')) * 50, metrics.lineSpacing() * 16);
    column->addWidget(header);
    auto *after = new QLabel(QStringLiteral("このあとにプログラムの残り %1 行を送ります。").arg(question.blocksAfter), &dialog);
    column->addWidget(after);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("送信"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    header->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return header->toPlainText();
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
