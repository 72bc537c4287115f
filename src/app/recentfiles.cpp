#include "recentfiles.h"

namespace marbolt {

void RecentFiles::load(const SettingsStore &store)
{
    list_.clear();
    for (int i = 1; i <= kShown; ++i)
        list_.append(store.get(QStringLiteral("FILE%1").arg(i)));
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
    for (int i = 1; i <= kShown; ++i)
        store.set(QStringLiteral("FILE%1").arg(i), entry(i));
}

QString RecentFiles::entry(int n) const
{
    return n >= 1 && n <= list_.size() ? list_[n - 1] : QString();
}

}  // namespace marbolt
