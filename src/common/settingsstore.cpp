#include "common/settingsstore.h"

#include "common/dialogs.h"

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

bool SettingsStore::isOn(const SettingKey &key) const
{
    return get(key) == QLatin1String("1");
}

void SettingsStore::setOn(const SettingKey &key, bool on)
{
    set(key, on ? QStringLiteral("1") : QStringLiteral("0"));
}

std::optional<int> SettingsStore::number(const SettingKey &key) const
{
    const QString text = get(key);
    if (key.emptyIsZero && text.trimmed().isEmpty())
        return 0;
    bool ok = false;
    const int v = text.toInt(&ok, 10);  // blanks around the digits are skipped
    if (!ok)
        return std::nullopt;
    return v;
}

int SettingsStore::positiveNumber(const SettingKey &key) const
{
    const auto v = number(key);
    return v && *v > 0 ? *v : QString::fromUtf8(key.startup).toInt();
}

void SettingsStore::storeDefaults(const QString &dirWithSeparator)
{
    for (const SettingKey *key : kStartupOrder)
        set(*key, key == &setting::DIR ? dirWithSeparator : QString::fromUtf8(key->startup));
}

void SettingsStore::restoreMissingDefaults()
{
    for (const SettingKey *key : kStartupOrder)
        if (key->restoredWhenEmpty && get(*key).isEmpty())
            set(*key, QString::fromUtf8(key->startup));
}

std::optional<int> reportedNumber(const SettingsStore &store, const SettingKey &key, Dialogs &dialogs)
{
    const auto v = store.number(key);
    if (!v)
        dialogs.error(notWholeNumberMessage(QString(key.key()), store.get(key)));
    return v;
}

QString notWholeNumberMessage(const QString &key, const QString &value)
{
    return QStringLiteral("'%1' は整数ではありません\r設定ファイルの %2 を確認して下さい").arg(value, key);
}

}  // namespace marbolt
