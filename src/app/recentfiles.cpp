#include "recentfiles.h"

namespace marbolt {

void RecentFiles::load(const SettingsStore &store)
{
    list_.clear();
    for (const SettingKey *key : kRecentKeys)
        list_.append(store.get(*key));
}

void RecentFiles::add(const QString &path)
{
    while (list_.size() < kShown)
        list_.append(QString());
    for (qsizetype i = 0; i < list_.size(); ++i) {
        if (list_[i].compare(path, Qt::CaseInsensitive) == 0) {
            list_.removeAt(i);
            break;
        }
    }
    list_.prepend(path);
}

void RecentFiles::saveTo(SettingsStore &store) const
{
    int n = 0;
    for (const SettingKey *key : kRecentKeys)
        store.set(*key, entry(++n));
}

QString RecentFiles::entry(int n) const
{
    return n >= 1 && n <= list_.size() ? list_[n - 1] : QString();
}

}  // namespace marbolt
