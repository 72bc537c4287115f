#pragma once
// Dialogs for the benchmarks: reports go to stderr, questions get "No",
// file and font dialogs are cancelled.
#include "common/widgets/windowdialogs.h"

#include <cstdio>

namespace marbolt {

struct QuietDialogs : WindowDialogs {
    void message(const QString &t) override { std::fprintf(stderr, "message: %s\n", qPrintable(t)); }
    Answer information(const QString &, Buttons) override { return Answer::No; }
    void error(const QString &t) override { std::fprintf(stderr, "error: %s\n", qPrintable(t)); }
    void confirmation(const QString &t) override { std::fprintf(stderr, "confirm: %s\n", qPrintable(t)); }
    std::optional<QFont> chooseFont(const QFont &) override { return std::nullopt; }
    std::optional<FileChoice> openFile(const FileRequest &) override { return std::nullopt; }
    std::optional<FileChoice> saveFile(const FileRequest &) override { return std::nullopt; }
    bool printerSetup(QPrinter &) override { return false; }
    std::optional<QString> chooseFolder(const QString &) override { return std::nullopt; }
    std::optional<QList<int>> choosePrograms(const QStringList &) override { return std::nullopt; }
    // Benchmarks send as they are.
    SendCheckAnswer sendCheck(const SendCheckReport &) override { return {SendCheckChoice::SendAsIs, {}}; }
    // A benchmark's window never restores what another left.
    RecoveryChoice offerRecovery(const QString &) override { return RecoveryChoice::Later; }
    std::optional<QString> askText(const QString &, const QString &, const QString &) override { return std::nullopt; }
};

}  // namespace marbolt
