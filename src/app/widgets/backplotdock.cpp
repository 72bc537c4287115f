#include "app/widgets/backplotdock.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace marbolt {

namespace {

QString findingText(const nc::MotionFinding &f)
{
    switch (f.kind) {
    case nc::MotionFindingKind::ArcEndOffCircle:
        return QStringLiteral("円弧の終点が円上にありません");
    case nc::MotionFindingKind::ArcWithoutCentre:
        return QStringLiteral("円弧の中心 (R または I/J/K) がありません");
    case nc::MotionFindingKind::ArcRadiusTooSmall:
        return QStringLiteral("円弧の半径が始点と終点の距離の半分より小さいです");
    case nc::MotionFindingKind::MacroSkipped:
        return QStringLiteral("マクロ文は計算しません (経路が実際と異なることがあります)");
    case nc::MotionFindingKind::ValueNotANumber:
        return QStringLiteral("変数や式の値は計算しません");
    }
    return {};
}

QString findingText(const nc::ProgramFinding &f)
{
    switch (f.kind) {
    case nc::ProgramFindingKind::MissingProgram:
        return QStringLiteral("呼び出すプログラム O%1 がファイルにありません").arg(f.number);
    case nc::ProgramFindingKind::NestedTooDeep:
        return QStringLiteral("サブプログラムの呼び出しが深すぎます (O%1)").arg(f.number);
    case nc::ProgramFindingKind::MissingSequence:
        return QStringLiteral("戻り先のシーケンス番号 N%1 がありません").arg(f.number);
    }
    return {};
}

QString findingText(nc::FindingKind kind)
{
    switch (kind) {
    case nc::FindingKind::UnknownCharacter:
        return QStringLiteral("NCで使えない文字があります");
    case nc::FindingKind::NumberWithoutAddress:
        return QStringLiteral("アドレスのない数値があります");
    case nc::FindingKind::LetterWithoutValue:
        return QStringLiteral("値のないアドレスがあります");
    case nc::FindingKind::UnclosedComment:
        return QStringLiteral("コメントを閉じる \")\" がありません");
    case nc::FindingKind::UnclosedBracket:
        return QStringLiteral("式を閉じる \"]\" がありません");
    case nc::FindingKind::NumberTooLong:
        return QStringLiteral("桁数が多すぎる数値があります");
    }
    return {};
}

QString range(double low, double high)
{
    return QStringLiteral("%1 〜 %2").arg(low, 0, 'f', 3).arg(high, 0, 'f', 3);
}

constexpr int kLineRole = Qt::UserRole + 1;

}  // namespace

QString durationText(double seconds)
{
    const long total = std::lround(seconds);
    const long h = total / 3600, m = total / 60 % 60, s = total % 60;
    if (h > 0)
        return QStringLiteral("%1時間%2分%3秒").arg(h).arg(m).arg(s);
    if (m > 0)
        return QStringLiteral("%1分%2秒").arg(m).arg(s);
    return QStringLiteral("%1秒").arg(s);
}

BackplotDock::BackplotDock(QWidget *parent) : QDockWidget(QStringLiteral("バックプロット"), parent)
{
    setObjectName(QStringLiteral("BackplotDock"));
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    auto *buttons = new QHBoxLayout;
    view_ = new BackplotView(body);
    for (const auto &[text, name, preset] :
         {std::tuple{QStringLiteral("上面"), QStringLiteral("TopButton"), BackplotView::Preset::Top},
          std::tuple{QStringLiteral("正面"), QStringLiteral("FrontButton"), BackplotView::Preset::Front},
          std::tuple{QStringLiteral("側面"), QStringLiteral("SideButton"), BackplotView::Preset::Side},
          std::tuple{QStringLiteral("等角"), QStringLiteral("IsoButton"), BackplotView::Preset::Isometric}}) {
        // Small buttons: the dock stays narrow enough for a small window.
        auto *b = new QToolButton(body);
        b->setText(text);
        b->setObjectName(name);
        connect(b, &QToolButton::clicked, view_, [this, p = preset] { view_->setPreset(p); });
        buttons->addWidget(b);
    }
    auto *fit = new QToolButton(body);
    fit->setText(QStringLiteral("全体"));
    fit->setObjectName(QStringLiteral("FitButton"));
    connect(fit, &QToolButton::clicked, view_, &BackplotView::fit);
    buttons->addWidget(fit);
    whole_ = new QCheckBox(QStringLiteral("ファイル全体"), body);
    whole_->setObjectName(QStringLiteral("WholeDocumentBox"));
    connect(whole_, &QCheckBox::toggled, this, &BackplotDock::scopeChanged);
    buttons->addWidget(whole_);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(view_, 1);
    summary_ = new QLabel(body);
    summary_->setObjectName(QStringLiteral("BackplotSummary"));
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary_);
    list_ = new QListWidget(body);
    list_->setObjectName(QStringLiteral("BackplotList"));
    list_->setMaximumHeight(140);
    layout->addWidget(list_);
    setWidget(body);
    connect(view_, &BackplotView::lineClicked, this, &BackplotDock::lineChosen);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        const QVariant line = item->data(kLineRole);
        if (line.isValid())
            emit lineChosen(line.toUInt());
    });
}

bool BackplotDock::wholeDocument() const
{
    return whole_->isChecked();
}

QString BackplotDock::summaryText() const
{
    return summary_->text();
}

void BackplotDock::showPath(std::shared_ptr<const nc::ProgramPath> path)
{
    list_->clear();
    if (!path) {
        summary_->clear();
        view_->setPath(nullptr);
        return;
    }
    const nc::ProgramPath &p = *path;
    // A lathe's program writes X as a diameter: its extent is shown so.
    const bool lathe = p.options.motion.lathe;
    const double xScale = lathe ? 2 : 1;
    summary_->setText(QStringLiteral("%1 %2\nY %3\nZ %4\n移動 %5  加工時間 約%6\n%7 早送り %8 mm/min")
                          .arg(lathe ? QStringLiteral("X(直径)") : QStringLiteral("X"),
                               range(p.min.x * xScale, p.max.x * xScale), range(p.min.y, p.max.y),
                               range(p.min.z, p.max.z))
                          .arg(p.path.moves.size())
                          .arg(durationText(p.seconds))
                          .arg(lathe ? QStringLiteral("旋盤") : QStringLiteral("マシニングセンタ"))
                          .arg(p.options.rapidRate, 0, 'f', 0));
    auto add = [this](const QString &text, std::uint32_t line) {
        auto *item = new QListWidgetItem(QStringLiteral("%1 行目: %2").arg(line + 1).arg(text), list_);
        item->setData(kLineRole, line);
    };
    for (const nc::ToolUse &t : p.tools)
        add(QStringLiteral("T%1 %2").arg(t.tool).arg(QString::fromStdString(t.comment)), t.firstLine);
    for (const nc::ProgramFinding &f : p.findings)
        add(findingText(f), f.line);
    for (const nc::BlockFinding &f : p.blockFindings)
        add(QStringLiteral("%1 (%2 文字目)").arg(findingText(f.kind)).arg(f.column + 1), f.line);
    for (const nc::MotionFinding &f : p.path.findings)
        add(findingText(f), f.line);
    view_->setPath(std::move(path));
}

}  // namespace marbolt
