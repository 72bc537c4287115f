#include "tools/replacer.h"

#include "../window/scripteddialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>

using namespace marbolt;

namespace {

// An editor of one string.
struct Editor : ReplaceTarget {
    std::string body;
    std::size_t from = 0, to = 0;
    std::string currentProgram;  // what the index box shows
    std::function<void()> onPump;
    int pumps = 0;
    std::chrono::milliseconds slowness{0};  // each replacement takes this long
    bool spans = false;  // replaces stretches in one step
    int spansReplaced = 0;

    std::string_view text() const override { return body; }
    std::size_t selectionStart() const override { return from; }
    std::size_t selectionEnd() const override { return to; }
    void select(std::size_t start, std::size_t end, bool) override
    {
        from = start;
        to = end;
    }
    void replaceSelection(std::string_view utf8) override
    {
        body.replace(from, to - from, utf8);
        from = to = from + utf8.size();
        std::this_thread::sleep_for(slowness);
    }
    bool canReplaceSpans() const override { return spans; }
    void replaceSpan(std::size_t start, std::size_t end, std::string_view utf8) override
    {
        ASSERT_LE(start, end);
        ASSERT_LE(end, body.size());
        body.replace(start, end - start, utf8);
        ++spansReplaced;
        std::this_thread::sleep_for(slowness);
    }
    void pumpMessages() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }
    void selectCurrentProgram() override
    {
        const ProgramExtent e = programExtent(body, currentProgram);
        select(e.start, e.end, false);
    }
    std::string selected() const { return body.substr(from, to - from); }
};

struct Fixture {
    ReplaceState state;
    Editor editor;
    ScriptedDialogs dialogs;
    Replacer replacer{state, editor, dialogs};

    QStringList boxes() const
    {
        QStringList texts;
        for (const auto &shown : dialogs.shown)
            texts.append(shown.text);
        return texts;
    }

    explicit Fixture(std::string text, const char *find, const char *with, bool skip = true)
    {
        editor.body = std::move(text);
        state.ReplaceFindText = QString::fromUtf8(find);
        state.ReplaceNewText = QString::fromUtf8(with);
        state.ReplaceSkipComments = skip;
        state.ReplaceActive = true;
    }
};

const QString kComplete = QStringLiteral("置換が完了しました。");

}  // namespace

TEST(Replace, TheCommentTest)
{
    const std::string line = "G01 X10 (G01 MOVE) G01";
    EXPECT_FALSE(intag(line, 0));
    EXPECT_TRUE(intag(line, line.find("G01", 1)));
    EXPECT_FALSE(intag(line, line.rfind("G01"))) << "behind the closed comment";
    EXPECT_TRUE(intag(line, line.find('('))) << "an occurrence beginning with ( is inside";
    EXPECT_FALSE(intag(line, line.find(')'))) << "one beginning with ) is outside";
    EXPECT_TRUE(intag("G01 (NOTE G01", 10)) << "a comment without its ) runs to the line end";
    EXPECT_FALSE(intag("(NOTE\r\nG01", 7)) << "and never onto the next line";
    EXPECT_TRUE(intag("(A G01", 3)) << "a comment at the very first character";
    EXPECT_FALSE(intag("G01", 3)) << "at the end of the text";
}

TEST(Replace, AllProtectsComments)
{
    Fixture f("G01 X10 (G01 MOVE)\r\n(SETUP) G01\r\nG01 (NOTE G01\r\n", "G01", "G1");
    f.replacer.ReplaceAll();
    EXPECT_EQ(f.editor.body, "G1 X10 (G01 MOVE)\r\n(SETUP) G1\r\nG1 (NOTE G01\r\n");
    EXPECT_EQ(f.boxes(), QStringList{kComplete});

    Fixture open("G01 X10 (G01 MOVE)\r\n", "G01", "G1", false);
    open.replacer.ReplaceAll();
    EXPECT_EQ(open.editor.body, "G1 X10 (G1 MOVE)\r\n") << "the box cleared: both";

    Fixture paren("(A) (B)\r\n", "(", "[");
    paren.replacer.ReplaceAll();
    EXPECT_EQ(paren.editor.body, "(A) (B)\r\n") << "a text starting with ( is always inside";
    // The search leaves the last skipped one selected, so the run goes on to its end.
    EXPECT_EQ(paren.boxes(), (QStringList{Replacer::notFoundMessage(QStringLiteral("(")), kComplete}));
}

TEST(Replace, AllStartsAtTheSelectionAndNeverWraps)
{
    Fixture f("A1 A2 A3", "A", "B");
    f.editor.from = f.editor.to = 3;
    f.replacer.ReplaceAll();
    EXPECT_EQ(f.editor.body, "A1 B2 B3");

    Fixture sel("A1 A2", "A", "B");
    sel.editor.select(3, 4, false);  // the second A selected: replaced first
    sel.replacer.ReplaceAll();
    EXPECT_EQ(sel.editor.body, "A1 B2");

    Fixture other("X A", "A", "B");
    other.editor.select(0, 1, false);  // other text selected: it stays
    other.replacer.ReplaceAll();
    EXPECT_EQ(other.editor.body, "X B");

    Fixture grow("A A A", "A", "AA");
    grow.replacer.ReplaceAll();
    EXPECT_EQ(grow.editor.body, "AA AA AA") << "each occurrence once, and the run ends";

    Fixture erase("G01;X1;(;)", ";", "");
    erase.replacer.ReplaceAll();
    EXPECT_EQ(erase.editor.body, "G01X1(;)");

    Fixture none("G0", "G1", "G2");
    none.replacer.ReplaceAll();
    EXPECT_EQ(none.boxes(), QStringList{Replacer::notFoundMessage(QStringLiteral("G1"))})
        << "no completion message after nothing was found";
}

TEST(Replace, ClosingTheDialogStopsARun)
{
    // A run lets events run every few tens of milliseconds: here each
    // replacement takes longer, so each is followed by a pump.
    Fixture f("A A A A A", "A", "B");
    f.editor.slowness = std::chrono::milliseconds(35);
    f.editor.onPump = [&] {
        if (f.editor.pumps == 2)
            f.state.ReplaceActive = false;  // the dialog's close button
    };
    f.replacer.ReplaceAll();
    // The first pump is the search for the first occurrence, the second
    // follows its replacement.
    EXPECT_EQ(f.editor.body, "B A A A A") << "the occurrence selected next stays";
    EXPECT_EQ(f.editor.selected(), "A");
    EXPECT_EQ(f.editor.from, 2u);
    EXPECT_TRUE(f.boxes().isEmpty());

    // Closed before it starts: nothing at all.
    Fixture g("A A", "A", "B");
    g.state.ReplaceActive = false;
    g.editor.select(0, 1, false);
    g.replacer.ReplaceAll();
    g.replacer.ReplaceAll2();
    EXPECT_EQ(g.editor.body, "A A");
    EXPECT_TRUE(g.boxes().isEmpty());
}

// A run longer than one read of the text goes over in several stretches,
// with the same result as one by one; "閉じる" ends it after a stretch with
// the next occurrence selected and the rest untouched.
TEST(Replace, LongRunsGoOverInStretchesAndStopBetweenThem)
{
    std::string doc, expected;
    for (int i = 0; doc.size() < (std::size_t{6} << 20); ++i) {
        doc += "G01X" + std::to_string(i % 100) + ".;(C;)\r\n";
        expected += "G01X" + std::to_string(i % 100) + ".(C;)\r\n";
    }
    Fixture f(doc, ";", "");
    f.editor.spans = true;
    f.replacer.ReplaceAll();
    EXPECT_TRUE(f.editor.body == expected);
    EXPECT_GE(f.editor.spansReplaced, 2);
    EXPECT_EQ(f.boxes(), QStringList{kComplete});
    // The last occurrence lies in a comment: it ends the run selected.
    EXPECT_EQ(f.editor.selected(), ";");
    EXPECT_EQ(f.editor.from, expected.rfind(';'));

    Fixture g(doc, ";", "");
    g.editor.spans = true;
    g.editor.slowness = std::chrono::milliseconds(35);
    g.editor.onPump = [&] {
        if (g.editor.spansReplaced == 1)
            g.state.ReplaceActive = false;
    };
    g.replacer.ReplaceAll();
    EXPECT_EQ(g.editor.spansReplaced, 1);
    EXPECT_EQ(g.editor.selected(), ";");
    EXPECT_TRUE(g.boxes().isEmpty());
    const std::size_t at = g.editor.from;
    EXPECT_TRUE(g.editor.body.substr(0, at) == expected.substr(0, at)) << "replaced up to the stretch's end";
    EXPECT_TRUE(g.editor.body.substr(at) == doc.substr(doc.size() - (g.editor.body.size() - at)))
        << "untouched from the occurrence selected on";
}

TEST(Replace, FindAndNextStepThroughOccurrences)
{
    Fixture f("G01 (G01) G01", "G01", "G1");
    f.replacer.ReplaceFind();
    EXPECT_EQ(f.editor.from, 0u);
    f.replacer.ReplaceNext();  // replaces the first, finds the third (the second is in a comment)
    EXPECT_EQ(f.editor.body, "G1 (G01) G01");
    EXPECT_EQ(f.editor.from, f.editor.body.rfind("G01"));
    f.replacer.ReplaceNext();
    EXPECT_EQ(f.editor.body, "G1 (G01) G1");
    EXPECT_EQ(f.boxes(), QStringList{Replacer::notFoundMessage(QStringLiteral("G01"))});

    // Nothing selected: Next only finds. A selection that is no occurrence stays.
    Fixture g("X G0", "G0", "G1");
    g.editor.select(0, 1, false);
    g.replacer.ReplaceNext();
    EXPECT_EQ(g.editor.body, "X G0");
    EXPECT_EQ(g.editor.selected(), "G0");

    // Only occurrences in comments remain: the last skipped one stays selected
    // and a following replace leaves it alone.
    Fixture h("G0 (G0)", "G0", "G1");
    h.editor.select(0, 2, false);
    h.replacer.ReplaceNext();
    EXPECT_EQ(h.editor.body, "G1 (G0)");
    EXPECT_EQ(h.editor.selected(), "G0");
    h.replacer.ReplaceNext();
    EXPECT_EQ(h.editor.body, "G1 (G0)");
}

TEST(Replace, AnEmptySearchTextEnds)
{
    Fixture f("(A (B (C", "", "X");
    f.editor.select(1, 1, false);
    f.replacer.ReplaceFind();
    f.replacer.ReplaceAll();
    f.replacer.ReplaceAll2();
    EXPECT_EQ(f.editor.body, "(A (B (C");
    EXPECT_EQ(f.boxes().size(), 3);
}

TEST(Replace, AllWithinTheCurrentProgram)
{
    const std::string doc = "O1\r\nX1 X2 (X3)\r\nO2\r\nX4\r\n";
    for (const char *with : {"XYZ", "", "Q"}) {
        Fixture f(doc, "X", with);
        f.editor.currentProgram = "O1";
        f.editor.select(doc.size(), doc.size(), false);
        f.replacer.ReplaceAll2();
        const std::string w = with;
        EXPECT_EQ(f.editor.body, "O1\r\n" + w + "1 " + w + "2 (X3)\r\nO2\r\nX4\r\n") << with;
        EXPECT_EQ(f.boxes(), QStringList{kComplete});
    }
    // Its own O-line is part of the range.
    Fixture o(doc, "O", "P");
    o.editor.currentProgram = "O2";
    o.replacer.ReplaceAll2();
    EXPECT_EQ(o.editor.body, "O1\r\nX1 X2 (X3)\r\nP2\r\nX4\r\n");
    // None in it: the completion at once.
    Fixture z(doc, "Z", "Y");
    z.editor.currentProgram = "O1";
    z.replacer.ReplaceAll2();
    EXPECT_EQ(z.boxes(), QStringList{kComplete});
}

namespace {

// A replace-all one occurrence at a time, as the program ran it before it
// planned a run in one pass: the reference the planned run must match.
void replaceAllOneAtATime(Fixture &f, bool currentProgramOnly)
{
    Editor &e = f.editor;
    const std::string needle = f.state.ReplaceFindText.toStdString();
    const std::string with = f.state.ReplaceNewText.toStdString();
    auto selectNext = [&](std::size_t end) {
        if (needle.empty())
            return false;
        const std::size_t at = e.body.find(needle, e.to);
        if (at == std::string::npos || at + needle.size() > std::min(end, e.body.size()))
            return false;
        e.select(at, at + needle.size(), false);
        return true;
    };
    auto inComment = [&] { return f.state.ReplaceSkipComments && intag(e.body, e.from); };
    auto replaceStep = [&] {
        if (e.selected() != needle || inComment())
            return false;
        e.replaceSelection(with);
        return true;
    };
    if (!currentProgramOnly) {
        bool replaceThis = true;
        for (;;) {
            if (replaceThis)
                replaceStep();
            if (!selectNext(std::string::npos)) {
                f.dialogs.information(kComplete, Buttons::Ok);
                return;
            }
            replaceThis = !inComment();
        }
    }
    e.selectCurrentProgram();
    std::size_t end = e.to;
    e.select(e.from, e.from, false);
    for (;;) {
        if (!selectNext(end)) {
            f.dialogs.information(kComplete, Buttons::Ok);
            return;
        }
        if (inComment())
            continue;
        if (replaceStep())
            end = end - needle.size() + with.size();
    }
}

}  // namespace

// Planned in one pass and applied front to back, a replace-all gives what
// one occurrence at a time gave: the same text, the same selection after
// it, the same boxes, with comments that earlier replacements open or
// close on the same line.
TEST(Replace, APlannedRunMatchesOneOccurrenceAtATime)
{
    std::mt19937 random(16);
    const std::vector<std::string> pieces{"G01", "X1", "(", ")", ";", " ", "\r\n", "O1", "O2", "A", "AA", "(A)"};
    const std::vector<std::string> needles{"A", "AA", ";", "(", ")", "G01", "X1"};
    const std::vector<std::string> withs{"", "B", "AAA", "(", ")", "A(", "\r\nO9", "G1"};
    for (int round = 0; round < 3000; ++round) {
        std::string doc;
        for (int i = 0, n = static_cast<int>(random() % 30); i < n; ++i)
            doc += pieces[random() % pieces.size()];
        const std::string needle = needles[random() % needles.size()];
        const std::string with = withs[random() % withs.size()];
        const bool skip = random() % 2;
        const bool programOnly = random() % 3 == 0;
        const std::size_t a = random() % (doc.size() + 1), b = random() % (doc.size() + 1);
        if (!programOnly && doc.substr(std::min(a, b), std::max(a, b) - std::min(a, b)).empty())
            continue;  // an empty selection first searches: the same code either way

        // Applied one by one, and in stretches handed over whole.
        Fixture planned(doc, needle.c_str(), with.c_str(), skip);
        Fixture stretched(doc, needle.c_str(), with.c_str(), skip);
        Fixture reference(doc, needle.c_str(), with.c_str(), skip);
        stretched.editor.spans = true;
        const std::string program = random() % 2 ? "O1" : "O2";
        for (Fixture *f : {&planned, &stretched, &reference}) {
            f->editor.select(std::min(a, b), std::max(a, b), false);
            f->editor.currentProgram = program;
        }
        for (Fixture *f : {&planned, &stretched}) {
            if (programOnly)
                f->replacer.ReplaceAll2();
            else
                f->replacer.ReplaceAll();
        }
        replaceAllOneAtATime(reference, programOnly);
        const std::string what = "round " + std::to_string(round) + ": \"" + doc + "\" " + needle + " -> " + with
                                 + (skip ? " skipping comments" : "") + (programOnly ? " in the program" : "");
        for (const Fixture *f : {&planned, &stretched}) {
            const std::string how = what + (f == &stretched ? " (stretches)" : " (one by one)");
            ASSERT_EQ(f->editor.body, reference.editor.body) << how;
            ASSERT_EQ(f->editor.from, reference.editor.from) << how;
            ASSERT_EQ(f->editor.to, reference.editor.to) << how;
            ASSERT_EQ(f->boxes(), reference.boxes()) << how;
        }
        EXPECT_LE(stretched.editor.spansReplaced, 1) << what << ": a short text goes over in one stretch";
    }
}
