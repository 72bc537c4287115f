#pragma once
// The settings store: an ordered list of text lines. A line key=value
// defines a setting (key before the first "=", value after it, both
// verbatim); other lines are carried but never match. Lookup is the first
// line whose key equals the asked key without regard to letter case.
#include <QString>
#include <QStringList>

namespace marbolt {

class SettingsStore {
public:
    // Value of the first matching line, or the empty text.
    QString get(const QString &key) const;
    // Non-empty value: replace the first matching line or append one.
    // Empty value: delete the first matching line.
    void set(const QString &key, const QString &value);

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

}  // namespace marbolt
