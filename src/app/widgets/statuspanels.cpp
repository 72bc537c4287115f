#include "app/widgets/statuspanels.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace marbolt {

namespace {

constexpr int kWidths[StatusPanels::kCount] = {130, 50, 70, 70, 50, 120, 50};

// Room a label's frame and indent take from its width.
int textRoom(const QLabel *label)
{
    return label->contentsRect().width() - 2 * label->indent();
}

}  // namespace

StatusPanels::StatusPanels(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    for (int i = 0; i < kCount; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setFixedWidth(kWidths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setIndent(2);
        // A panel shows file names and counts: text, never markup.
        label->setTextFormat(Qt::PlainText);
        labels_[static_cast<std::size_t>(i)] = label;
        // The last panel takes what room is left, as a status bar's last panel does.
        if (i == kCount - 1) {
            label->setMinimumWidth(kWidths[i]);
            label->setMaximumWidth(QWIDGETSIZE_MAX);
            addWidget(label, 1);
        } else {
            addWidget(label);
        }
    }
}

void StatusPanels::setPanelText(int panel, const QString &text)
{
    if (panel < 0 || panel >= kCount)
        return;
    const auto i = static_cast<std::size_t>(panel);
    QLabel *label = labels_[i];
    texts_[i] = text;
    const QFontMetrics metrics(label->font());
    const int frame = label->width() - textRoom(label);
    const int needed = metrics.horizontalAdvance(text) + frame + 2;
    if (panel == 0) {
        // "残り…バイト(約…秒)" is read whole: the panel grows for it.
        label->setFixedWidth(std::max(kWidths[0], needed));
        label->setText(text);
        return;
    }
    if (needed <= label->width() || panel == kCount - 1) {
        label->setText(text);
        label->setToolTip(QString());
        return;
    }
    // A long device path keeps its start and its end.
    label->setText(metrics.elidedText(text, Qt::ElideMiddle, textRoom(label) - 2));
    label->setToolTip(text);
}

QString StatusPanels::panelText(int panel) const
{
    if (panel < 0 || panel >= kCount)
        return {};
    return texts_[static_cast<std::size_t>(panel)];
}

void StatusPanels::showProgress(int maximum)
{
    if (!progress_) {
        progress_ = new QProgressBar(this);
        progress_->setObjectName(QStringLiteral("ProgressBar1"));
        progress_->setTextVisible(false);
        const QRect over = panel(5)->geometry();
        progress_->setGeometry(over.x() + 1, 2, over.width() - 2, height() - 2);
        progress_->show();
    }
    progress_->setRange(0, maximum);
}

void StatusPanels::setProgress(int position)
{
    if (progress_)
        progress_->setValue(position);
}

void StatusPanels::hideProgress()
{
    delete progress_;
    progress_ = nullptr;
}

}  // namespace marbolt
