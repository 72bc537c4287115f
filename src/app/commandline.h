#pragma once
// What the command line asks for, read with Qt's command-line parser
// before any window exists: the window (with the NC file to open at start,
// or none), the help or the version, the check or the compare without a
// window, or a mistake, which prints the usage and ends with status 2.
//
//   marbolt [FILE]                      the window; further files are ignored
//   marbolt --check FILE [--code ISO|EIA|NONE]
//   marbolt --stats FILE
//   marbolt --restart FILE N1020
//   marbolt --compare LEFT RIGHT [--keep-n] [--keep-blanks] [--keep-comments] [--text-numbers]
//   marbolt --history [--machine M] [--program O1234] [--from DAY] [--to DAY] [--limit N] [--show VERSION]
//   marbolt --help | --version
//
// The toolkit's own options (-style, -platform, -reverse and the like) are
// accepted and left to Qt; "--" ends the options, for a file named "-…".
#include "tools/nccompare.h"

#include <QString>
#include <QStringList>

namespace marbolt {

enum class CommandKind { Window, Help, Version, Check, Compare, Stats, Restart, History, Mistake };

struct CommandLine {
    CommandKind kind = CommandKind::Window;
    QString file;             // Window: the file to open (empty: none); Check, Stats, Restart: the file read
    QString block;            // Restart: "N1020"
    QString code;             // Check: "ISO", "EIA" or "NONE"; empty: the settings file's CODE
    QString left, right;      // Compare
    CompareOptions compare;   // Compare
    struct History {
        QString machine;
        QString program;      // "O1234" or "1234"
        QString from, to;     // days, "2026-12-05": from the first to the last, both whole
        int limit = 100;
        QString show;         // a version to print whole (its hash, or the first letters of it)
    } history;                // History
    QString mistake;          // Mistake: what is wrong, one line
};

// arguments[0] is the program as it was started. A mistake found by Qt's
// parser is worded by Qt, in Japanese once its translation is installed.
CommandLine readCommandLine(const QStringList &arguments);

// The --help text (Qt's layout and headings, the program's descriptions);
// needs a QCoreApplication, whose first argument names the program in it.
QString commandLineHelp();

// The short usage printed after a mistake.
QString commandLineUsage();

// "marbolt 1.0.8"
QString versionLine();

}  // namespace marbolt
