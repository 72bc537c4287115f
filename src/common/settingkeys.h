#pragma once
// Every key of the settings file, declared once with its kind and its
// start-up default, and the keys of each section in the file's order.
// The store keeps the text; these say how to read it.
#include <QLatin1StringView>

#include <array>

namespace marbolt {

enum class SettingKind {
    Text,    // taken as it stands
    Switch,  // "1" is on, anything else off
    Number,  // a whole number
};

struct SettingKey {
    const char *name;
    SettingKind kind;
    // Stored at start-up, in the order of kStartupOrder; null: none (the
    // folder is the program's own; a recent file is absent).
    const char *startup;
    // Set again to the start-up value when the settings file left it empty.
    bool restoredWhenEmpty = false;
    // An empty value reads as 0 (the waits and feeds of a send).
    bool emptyIsZero = false;

    QLatin1StringView key() const { return QLatin1StringView(name); }
};

namespace setting {
// [COMM]
inline constexpr SettingKey SPEED{"SPEED", SettingKind::Number, "4800"};
inline constexpr SettingKey STOPBIT{"STOPBIT", SettingKind::Text, "2"};
inline constexpr SettingKey PORT{"PORT", SettingKind::Text, "COM1"};
inline constexpr SettingKey SE{"SE", SettingKind::Switch, "1"};  // the machine's send request (DC1) is awaited
inline constexpr SettingKey CODE{"CODE", SettingKind::Text, "ISO"};
inline constexpr SettingKey HEAD{"HEAD%", SettingKind::Switch, "0"};
inline constexpr SettingKey LOG{"LOG", SettingKind::Switch, "0"};
inline constexpr SettingKey TAPE{"TAPE", SettingKind::Switch, "0"};
inline constexpr SettingKey FEED{"FEED", SettingKind::Number, "100", true, true};
inline constexpr SettingKey WAIT{"WAIT", SettingKind::Number, "0", true, true};
// [EDIT]
inline constexpr SettingKey DIR{"DIR", SettingKind::Text, nullptr};
inline constexpr SettingKey FONT{"FONT", SettingKind::Number, "14"};
inline constexpr SettingKey NAME{"NAME", SettingKind::Text, "ＭＳ ゴシック"};
inline constexpr SettingKey OPENINDEX{"OPENINDEX", SettingKind::Number, "1"};
inline constexpr SettingKey SAVEINDEX{"SAVEINDEX", SettingKind::Number, "1"};
inline constexpr SettingKey SORT{"SORT", SettingKind::Switch, "1", true};
// [RECENT]
inline constexpr SettingKey FILE1{"FILE1", SettingKind::Text, nullptr};
inline constexpr SettingKey FILE2{"FILE2", SettingKind::Text, nullptr};
inline constexpr SettingKey FILE3{"FILE3", SettingKind::Text, nullptr};
inline constexpr SettingKey FILE4{"FILE4", SettingKind::Text, nullptr};
inline constexpr SettingKey FILE5{"FILE5", SettingKind::Text, nullptr};
// [MARBOLT]: the program's own additions, after the three sections above.
inline constexpr SettingKey CHECK{"CHECK", SettingKind::Switch, "1", true};  // check before every send
inline constexpr SettingKey COLOUR{"COLOUR", SettingKind::Switch, "1", true};  // NC colouring in the editor
inline constexpr SettingKey MACHINE{"MACHINE", SettingKind::Number, nullptr};  // the active machine, from 1
// Seconds without a change before unsaved edits are copied for recovery; "0": no copies.
inline constexpr SettingKey AUTOSAVE{"AUTOSAVE", SettingKind::Number, "30", true};
// Network ports typed in the settings dialog, most recent first, separated by tabs.
inline constexpr SettingKey NETPORTS{"NETPORTS", SettingKind::Text, nullptr};
// The last renumbering's start, step, digits and "only numbered" (0/1), separated by commas.
inline constexpr SettingKey RENUMBER{"RENUMBER", SettingKind::Text, nullptr};
// Where the transfer history is kept: "" for marbolt-history.sqlite beside
// the settings, another SQLite file's path, or a postgresql:// address.
inline constexpr SettingKey HISTORY{"HISTORY", SettingKind::Text, nullptr};
}  // namespace setting

// [MACHINES]: the machine profiles as named keys, MACHINE1.NAME=,
// MACHINE1.SPEED=, ... (earlier versions: one line MACHINE1=, its name and
// the values of kProfileKeys separated by tabs, still read).
inline constexpr QLatin1StringView kMachineListKey{"MACHINE"};

// The sections of the settings file, each with its keys in order.
inline constexpr std::array<const SettingKey *, 10> kCommKeys{
    &setting::SPEED, &setting::STOPBIT, &setting::PORT, &setting::SE,   &setting::CODE,
    &setting::HEAD,  &setting::LOG,     &setting::TAPE, &setting::FEED, &setting::WAIT};
inline constexpr std::array<const SettingKey *, 6> kEditKeys{
    &setting::DIR, &setting::FONT, &setting::NAME, &setting::OPENINDEX, &setting::SAVEINDEX, &setting::SORT};
inline constexpr std::array<const SettingKey *, 5> kRecentKeys{
    &setting::FILE1, &setting::FILE2, &setting::FILE3, &setting::FILE4, &setting::FILE5};
inline constexpr std::array<const SettingKey *, 7> kProgramKeys{&setting::CHECK,    &setting::COLOUR,
                                                                &setting::MACHINE,  &setting::NETPORTS,
                                                                &setting::AUTOSAVE, &setting::RENUMBER,
                                                                &setting::HISTORY};
// What a machine profile holds: every value of [COMM].
inline constexpr const auto &kProfileKeys = kCommKeys;

// The order in which the start-up values enter the store.
inline constexpr std::array<const SettingKey *, 19> kStartupOrder{
    &setting::SPEED,     &setting::STOPBIT,   &setting::PORT, &setting::SE,  &setting::DIR,  &setting::CODE,
    &setting::FONT,      &setting::NAME,      &setting::OPENINDEX, &setting::SAVEINDEX, &setting::HEAD,
    &setting::LOG,       &setting::TAPE,      &setting::FEED, &setting::WAIT, &setting::SORT, &setting::CHECK,
    &setting::COLOUR,    &setting::AUTOSAVE};

}  // namespace marbolt
