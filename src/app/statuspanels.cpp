#include "statuspanels.h"

#include <QLabel>

namespace marbolt {

StatusPanels::StatusPanels(QWidget *parent) : QStatusBar(parent)
{
    static constexpr int widths[kCount] = {130, 50, 70, 70, 50, 120, 50};
    setSizeGripEnabled(true);
    for (int i = 0; i < kCount; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setFixedWidth(widths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setIndent(2);
        // A panel shows file names and counts: text, never markup.
        label->setTextFormat(Qt::PlainText);
        labels_[static_cast<std::size_t>(i)] = label;
        // The last panel takes what room is left, as a status bar's last panel does.
        if (i == kCount - 1) {
            label->setMinimumWidth(widths[i]);
            label->setMaximumWidth(QWIDGETSIZE_MAX);
            addWidget(label, 1);
        } else {
            addWidget(label);
        }
    }
}

void StatusPanels::setPanelText(int panel, const QString &text)
{
    if (panel >= 0 && panel < kCount)
        labels_[static_cast<std::size_t>(panel)]->setText(text);
}

QString StatusPanels::panelText(int panel) const
{
    if (panel < 0 || panel >= kCount)
        return {};
    return labels_[static_cast<std::size_t>(panel)]->text();
}

}  // namespace marbolt
