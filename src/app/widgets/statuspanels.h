#pragma once
// StatusBar1: seven text panels of fixed widths, numbered from 0. Panel 0
// (transfer progress) widens to show its text whole; a text too long for
// another panel is shortened in the middle, whole in its tool tip. During a
// send the progress bar ProgressBar1 lies over panel 5.
#include <QStatusBar>

#include <array>

class QLabel;
class QProgressBar;

namespace marbolt {

class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kCount = 7;
    explicit StatusPanels(QWidget *parent = nullptr);

    void setPanelText(int panel, const QString &text);
    QString panelText(int panel) const;
    QLabel *panel(int panel) const { return labels_[static_cast<std::size_t>(panel)]; }

    // The progress bar exists from showProgress to hideProgress.
    void showProgress(int maximum);
    void setProgress(int position);
    void hideProgress();
    QProgressBar *progressBar() const { return progress_; }

private:
    std::array<QLabel *, kCount> labels_{};
    std::array<QString, kCount> texts_{};
    QProgressBar *progress_ = nullptr;
};

}  // namespace marbolt
