#pragma once
// StatusBar1: seven text panels of fixed widths, numbered from 0. Panel 0
// (transfer progress) widens to show its text whole; a text too long for
// another panel is shortened in the middle, whole in its tool tip.
#include <QStatusBar>

#include <array>

class QLabel;

namespace marbolt {

class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kCount = 7;
    explicit StatusPanels(QWidget *parent = nullptr);

    void setPanelText(int panel, const QString &text);
    QString panelText(int panel) const;
    QLabel *panel(int panel) const { return labels_[static_cast<std::size_t>(panel)]; }

private:
    std::array<QLabel *, kCount> labels_{};
    std::array<QString, kCount> texts_{};
};

}  // namespace marbolt
