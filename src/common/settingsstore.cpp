#include "common/settingsstore.h"

namespace marbolt {

int SettingsStore::find(const QString &key) const
{
    for (int i = 0; i < lines_.size(); ++i) {
        const QString &line = lines_[i];
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        if (QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString SettingsStore::get(const QString &key) const
{
    const int i = find(key);
    if (i < 0)
        return {};
    const QString &line = lines_[i];
    return line.mid(line.indexOf(u'=') + 1);
}

void SettingsStore::set(const QString &key, const QString &value)
{
    const int i = find(key);
    if (value.isEmpty()) {
        if (i >= 0)
            lines_.removeAt(i);
        return;
    }
    const QString line = key + u'=' + value;
    if (i >= 0)
        lines_[i] = line;
    else
        lines_.append(line);
}

void SettingsStore::storeDefaults(const QString &dirWithSeparator)
{
    set(QStringLiteral("SPEED"), QStringLiteral("4800"));
    set(QStringLiteral("STOPBIT"), QStringLiteral("2"));
    set(QStringLiteral("PORT"), QStringLiteral("COM1"));
    set(QStringLiteral("SE"), QStringLiteral("1"));
    set(QStringLiteral("DIR"), dirWithSeparator);
    set(QStringLiteral("CODE"), QStringLiteral("ISO"));
    set(QStringLiteral("FONT"), QStringLiteral("14"));
    set(QStringLiteral("NAME"), QStringLiteral("ＭＳ ゴシック"));
    set(QStringLiteral("OPENINDEX"), QStringLiteral("1"));
    set(QStringLiteral("SAVEINDEX"), QStringLiteral("1"));
    set(QStringLiteral("HEAD%"), QStringLiteral("0"));
    set(QStringLiteral("LOG"), QStringLiteral("0"));
    set(QStringLiteral("TAPE"), QStringLiteral("0"));
    set(QStringLiteral("FEED"), QStringLiteral("100"));
    set(QStringLiteral("WAIT"), QStringLiteral("0"));
    set(QStringLiteral("SORT"), QStringLiteral("1"));
    for (int i = 1; i <= 5; ++i)
        set(QStringLiteral("FILE%1").arg(i), QString());
}

void SettingsStore::restoreMissingDefaults()
{
    if (get(QStringLiteral("FEED")).isEmpty())
        set(QStringLiteral("FEED"), QStringLiteral("100"));
    if (get(QStringLiteral("WAIT")).isEmpty())
        set(QStringLiteral("WAIT"), QStringLiteral("0"));
    if (get(QStringLiteral("SORT")).isEmpty())
        set(QStringLiteral("SORT"), QStringLiteral("1"));
}

}  // namespace marbolt
