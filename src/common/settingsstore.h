#pragma once
// The settings store: an ordered list of text lines. A line key=value
// defines a setting (key before the first "=", value after it, both
// verbatim); other lines are carried but never match. Lookup is the first
// line whose key equals the asked key without regard to letter case.
#include "common/settingkeys.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace marbolt {

class Dialogs;

class SettingsStore {
public:
    // Value of the first matching line, or the empty text.
    QString get(const QString &key) const;
    // Non-empty value: replace the first matching line or append one.
    // Empty value: delete the first matching line.
    void set(const QString &key, const QString &value);

    // The same through a declared key.
    QString get(const SettingKey &key) const { return get(QString(key.key())); }
    void set(const SettingKey &key, const QString &value) { set(QString(key.key()), value); }
    // A switch: "1" is on.
    bool isOn(const SettingKey &key) const;
    void setOn(const SettingKey &key, bool on);
    // The one reading of a number: nullopt when the value is not a whole
    // number (blanks around it are allowed; an empty value of a key whose
    // empty value is 0 reads 0).
    std::optional<int> number(const SettingKey &key) const;
    // A size or an index: the value when it is a positive number, else
    // the start-up value (a settings file not written by the program may
    // hold anything).
    int positiveNumber(const SettingKey &key) const;

    void replaceLines(QStringList lines) { lines_ = std::move(lines); }
    const QStringList &lines() const { return lines_; }

    // Stores the start-up defaults in their fixed order; dirWithSeparator is
    // the executable's folder with a trailing separator.
    void storeDefaults(const QString &dirWithSeparator);
    // FEED, WAIT and SORT fall back to their defaults when empty.
    void restoreMissingDefaults();

private:
    int find(const QString &key) const;
    QStringList lines_;
};

// The number of a key that a transfer needs. A value that is not a whole
// number is shown in an error box naming the key and gives nullopt: the
// transfer then ends before anything goes out.
std::optional<int> reportedNumber(const SettingsStore &store, const SettingKey &key, Dialogs &dialogs);
QString notWholeNumberMessage(const QString &key, const QString &value);

}  // namespace marbolt
