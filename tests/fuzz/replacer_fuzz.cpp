// Replace over any document: replace-all from the start does what a plain
// left-to-right replacement does, and replace-all within the current
// program changes nothing outside it.
#include "fuzzcheck.h"

#include "common/dialogs.h"
#include "document/programindex.h"
#include "tools/replacer.h"

#include <string>

using namespace marbolt;

namespace {

struct NoDialogs : Dialogs {
    void message(const QString &) override {}
    Answer information(const QString &, Buttons) override { return Answer::Ok; }
    void error(const QString &) override {}
    void confirmation(const QString &) override {}
    std::optional<FileChoice> openFile(const FileRequest &) override { return std::nullopt; }
    std::optional<FileChoice> saveFile(const FileRequest &) override { return std::nullopt; }
    std::optional<QString> chooseFolder(const QString &) override { return std::nullopt; }
    std::optional<QList<int>> choosePrograms(const QStringList &) override { return std::nullopt; }
    SendCheckAnswer sendCheck(const SendCheckReport &) override { return {}; }
    RecoveryChoice offerRecovery(const QString &) override { return RecoveryChoice::Later; }
    std::optional<QString> askText(const QString &, const QString &, const QString &) override { return std::nullopt; }
};

struct TextTarget : ReplaceTarget {
    std::string doc;
    std::size_t start = 0, end = 0;
    std::string entry;
    int steps = 0;
    std::string_view text() const override { return doc; }
    std::size_t selectionStart() const override { return start; }
    std::size_t selectionEnd() const override { return end; }
    void select(std::size_t s, std::size_t e, bool) override
    {
        FUZZ_CHECK(s <= e && e <= doc.size());
        start = s;
        end = e;
    }
    void replaceSelection(std::string_view utf8) override
    {
        doc.replace(start, end - start, utf8);
        start = end = start + utf8.size();
    }
    void pumpMessages() override { FUZZ_CHECK(++steps < 100000); }
    void selectCurrentProgram() override
    {
        const ProgramExtent e = programExtent(doc, entry);
        select(e.start, e.end, false);
    }
};

std::string plainReplaceAll(std::string text, std::string_view find, std::string_view with)
{
    if (find.empty())
        return text;
    for (std::size_t at = text.find(find); at != std::string::npos; at = text.find(find, at + with.size()))
        text.replace(at, find.size(), with);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string_view parts[3];
    fuzz::splitInput(data, size, parts);
    NoDialogs dialogs;
    ReplaceState state;
    state.ReplaceFindText = QString::fromUtf8(parts[0].data(), static_cast<qsizetype>(parts[0].size()));
    state.ReplaceNewText = QString::fromUtf8(parts[1].data(), static_cast<qsizetype>(parts[1].size()));
    state.ReplaceActive = true;
    const QByteArray find = state.ReplaceFindText.toUtf8();
    const QByteArray with = state.ReplaceNewText.toUtf8();

    TextTarget all;
    all.doc = std::string(parts[2]);
    Replacer(state, all, dialogs).ReplaceAll();
    FUZZ_CHECK(all.doc == plainReplaceAll(std::string(parts[2]), std::string_view(find.constData(), find.size()),
                                          std::string_view(with.constData(), with.size())));

    TextTarget program;
    program.doc = std::string(parts[2]);
    const auto entries = scanProgramLines(program.doc);
    program.entry = entries.empty() ? std::string() : std::string(entries[entries.size() / 2]);
    const ProgramExtent e = programExtent(program.doc, program.entry);
    const std::string before = program.doc.substr(0, e.start);
    const std::string after = program.doc.substr(e.end);
    state.ReplaceSkipComments = !parts[1].empty() && parts[1][0] == '(';
    Replacer(state, program, dialogs).ReplaceAll2();
    FUZZ_CHECK(program.doc.compare(0, before.size(), before) == 0);
    FUZZ_CHECK(program.doc.size() >= after.size() &&
               program.doc.compare(program.doc.size() - after.size(), after.size(), after) == 0);
    return 0;
}
