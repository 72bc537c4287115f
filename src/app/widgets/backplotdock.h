#pragma once
// The backplot beside the editor: the view of the current program's (or
// the whole document's) tool path, buttons for the views, and what the
// path tells: its extents, its time, its tools with their first block,
// and the blocks it could not follow. A double-click on a tool or a
// finding, or a click on a move, names the line to go to.
#include "nc/ncprogram.h"
#include "nc/widgets/backplotview.h"

#include <QDockWidget>

#include <cstdint>
#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;

namespace marbolt {

class BackplotDock : public QDockWidget {
    Q_OBJECT
public:
    explicit BackplotDock(QWidget *parent = nullptr);

    BackplotView *view() const { return view_; }
    // Shows a path read from document line 0 on.
    void showPath(std::shared_ptr<const nc::ProgramPath> path);
    bool wholeDocument() const;
    QString summaryText() const;
    QListWidget *list() const { return list_; }

signals:
    void lineChosen(std::uint32_t line);
    void scopeChanged();

private:
    BackplotView *view_;
    QLabel *summary_;
    QListWidget *list_;
    QCheckBox *whole_;
};

// "1時間2分3秒", "2分3秒", "4秒".
QString durationText(double seconds);

}  // namespace marbolt
