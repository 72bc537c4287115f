#pragma once
// rirekilist: the recent files, most recent first. The list may grow past
// five while the program runs; only its first five entries are shown and
// saved.
#include "common/settingsstore.h"

#include <QStringList>

namespace marbolt {

class RecentFiles {
public:
    static constexpr int kShown = static_cast<int>(kRecentKeys.size());

    // FILE1 ... FILE5, empty ones included.
    void load(const SettingsStore &store);
    // Moves path to the top (rirekiset): an entry equal to it without regard
    // to letter case is removed first.
    void add(const QString &path);
    // Entries 1 to 5 into FILE1 ... FILE5 (an empty entry removes the key).
    void saveTo(SettingsStore &store) const;

    // Entry n (1-based), empty when there is none.
    QString entry(int n) const;
    const QStringList &list() const { return list_; }

private:
    QStringList list_;
};

}  // namespace marbolt
