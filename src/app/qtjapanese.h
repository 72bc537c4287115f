#pragma once
// The toolkit's own texts (standard buttons, file, font and printer
// dialogs) in Japanese, whatever the system's language: the program's own
// texts are Japanese too.
class QCoreApplication;

namespace marbolt {

// Installs Qt's Japanese translation; false when it is not installed
// (Debian's qt6-translations-l10n).
bool installQtJapanese(QCoreApplication &app);

}  // namespace marbolt
