// The NC functions on their scope: which lines a selection, the caret's
// program or the document stand for; the changes handed to the editor,
// which must rebuild the new text exactly and touch no unchanged line
// unless asked to join; and the functions run against an editor kept as
// a string, with their reports' line numbers in the document's count.
#include "tools/ncfunctions.h"

#include "crlf.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace marbolt;

namespace {


std::string applied(std::string text, const std::vector<TextChange> &changes)
{
    // In document order at positions of the text before: made from the back.
    for (auto c = changes.rbegin(); c != changes.rend(); ++c)
        text.replace(c->start, c->end - c->start, c->text);
    return text;
}

class StringEditor : public NcEditTarget {
public:
    explicit StringEditor(std::string text) : text_(std::move(text)) {}
    std::string_view text() const override { return text_; }
    std::size_t selectionStart() const override { return selStart_; }
    std::size_t selectionEnd() const override { return selEnd_; }
    void change(const std::vector<TextChange> &changes) override
    {
        ++steps;
        made = changes;
        text_ = applied(text_, changes);
    }
    bool mayReplaceUnchangedLines() const override { return join; }
    void select(std::size_t start, std::size_t end) override
    {
        selStart_ = start;
        selEnd_ = end;
    }
    std::string selected() const { return text_.substr(selStart_, selEnd_ - selStart_); }

    bool join = true;
    int steps = 0;
    std::vector<TextChange> made;

private:
    std::string text_;
    std::size_t selStart_ = 0, selEnd_ = 0;
};

}  // namespace

TEST(NcScope, TheLinesAndTheProgramsAroundThem)
{
    const std::string doc = crlf("%\nO1\nN1 G00\nN2 G01\nO2\nN1 G00\nN2 G01\nN3 M30\n%\n");
    const std::size_t o2 = doc.find("O2");
    const std::size_t o2n2 = doc.find("N2", o2);

    // A selection from inside one line to inside another: both lines whole,
    // read with the whole of O2.
    NcStretch s = stretchFor(doc, NcScope::Selection, o2n2 + 1, o2n2 + 10);
    EXPECT_EQ(doc.substr(s.linesStart, s.linesEnd - s.linesStart), crlf("N2 G01\nN3 M30\n"));
    EXPECT_EQ(doc.substr(s.start, s.end - s.start), crlf("O2\nN1 G00\nN2 G01\nN3 M30\n%\n"));
    EXPECT_EQ(s.firstLine, 4u);
    EXPECT_EQ(s.lines.first, 2u);
    EXPECT_EQ(s.lines.end, 4u);

    // Down to the start of a line: that line is not in it.
    s = stretchFor(doc, NcScope::Selection, o2, o2n2);
    EXPECT_EQ(doc.substr(s.linesStart, s.linesEnd - s.linesStart), crlf("O2\nN1 G00\n"));

    // No selection: the caret's line; the caret's program; everything.
    s = stretchFor(doc, NcScope::Selection, o2n2, o2n2);
    EXPECT_EQ(doc.substr(s.linesStart, s.linesEnd - s.linesStart), crlf("N2 G01\n"));
    s = stretchFor(doc, NcScope::Program, o2n2, o2n2);
    EXPECT_EQ(doc.substr(s.start, s.end - s.start), doc.substr(o2));
    EXPECT_EQ(s.lines.first, 0u);
    s = stretchFor(doc, NcScope::Program, 3, 3);
    EXPECT_EQ(doc.substr(s.start, s.end - s.start), crlf("O1\nN1 G00\nN2 G01\n"));
    s = stretchFor(doc, NcScope::Document, 0, 0);
    EXPECT_EQ(s.end, doc.size());

    // A last line without its line break is a line.
    const std::string open = "O1\r\nN1 G00";
    s = stretchFor(open, NcScope::Selection, open.size(), open.size());
    EXPECT_EQ(s.linesStart, 4u);
    EXPECT_EQ(s.lines.first, 1u);
    EXPECT_EQ(s.lines.end, 2u);
}

TEST(TextChanges, ChangedLinesOnlyAndJoinedWhenClose)
{
    const std::string before = crlf("A\nB\nC\nD\nE\n");
    const std::string after = crlf("A\nb\nC\nd\nE\n");
    const auto apart = changesBetween(before, after, 100, 0);
    ASSERT_EQ(apart.size(), 2u);
    EXPECT_EQ(apart[0].start, 103u);
    EXPECT_EQ(apart[0].end, 106u);
    EXPECT_EQ(apart[0].text, "b\r\n");
    const auto joined = changesBetween(before, after, 0, 4);
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(before.substr(joined[0].start, joined[0].end - joined[0].start), crlf("B\nC\nD\n"));
    EXPECT_TRUE(changesBetween(before, before, 0, 0).empty());

    // A line more: one change from the first difference to the last.
    const auto grown = changesBetween("A\nB\n", "A\nX\nB\n", 0, 0);
    ASSERT_EQ(grown.size(), 1u);
    EXPECT_EQ(applied("A\nB\n", grown), "A\nX\nB\n");
}

// Property: the changes rebuild the new text, and with no joining no
// change holds a line that stayed the same.
TEST(TextChanges, RandomEditsRebuildTheTextAndLeaveUnchangedLines)
{
    std::mt19937 random(17);
    for (int round = 0; round < 500; ++round) {
        std::vector<std::string> lines(random() % 12 + 1);
        for (auto &l : lines)
            l = std::string(random() % 5, static_cast<char>('a' + random() % 3));
        std::vector<std::string> changed = lines;
        for (auto &l : changed)
            if (random() % 3 == 0)
                l += static_cast<char>('x' + random() % 2);
        if (random() % 4 == 0)
            changed.insert(changed.begin() + static_cast<long>(random() % changed.size()), "new");
        std::string before, after;
        for (const auto &l : lines)
            before += l + "\r\n";
        for (const auto &l : changed)
            after += l + "\r\n";
        if (random() % 2) {  // no line break at the end
            before.resize(before.size() - 2);
            after.resize(after.size() - 2);
        }
        for (std::size_t gap : {0, 3, 1000}) {
            const auto changes = changesBetween(before, after, 0, gap);
            ASSERT_EQ(applied(before, changes), after) << round;
            if (gap != 0 || lines.size() != changed.size())
                continue;
            for (const TextChange &c : changes) {
                for (std::size_t i = 0, at = 0; i < lines.size(); at += lines[i].size() + 2, ++i)
                    if (lines[i] == changed[i] && !lines[i].empty()) {
                        EXPECT_FALSE(at >= c.start && at + lines[i].size() <= c.end) << round << " line " << i;
                    }
            }
        }
    }
}

TEST(NcFunctions, ASelectionIsRenumberedInOneStepAndStaysSelected)
{
    StringEditor editor(crlf("O1\nN5 G00\nO2\nN1 GOTO 3\nN2 G00\nN3 G01 X1.\nN4 M99 P9\n"));
    const std::string text(editor.text());
    editor.select(text.find("N2 G00") + 1, text.find("N3 G01") + 3);
    nc::RenumberOptions o;
    o.start = 100;
    const NcReport r = NcFunctions(editor).renumber(NcScope::Selection, o);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(editor.steps, 1);
    EXPECT_EQ(editor.text(), crlf("O1\nN5 G00\nO2\nN1 GOTO 110\nN100 G00\nN110 G01 X1.\nN4 M99 P9\n"));
    EXPECT_EQ(editor.selected(), crlf("N100 G00\nN110 G01 X1.\n"));
    EXPECT_EQ(r.summary, QStringLiteral("N番号を振り直しました: 2 ブロック、参照 1 個 (うち範囲外 1 個)"));
    // The missing N9 is on the document's seventh line.
    ASSERT_EQ(r.notes.size(), 1);
    EXPECT_EQ(r.notes[0], QStringLiteral("7行: 飛び先 N9 のブロックがありません (そのまま)"));
}

TEST(NcFunctions, TheCaretsProgramAloneAndNothingWhenNothingChanges)
{
    StringEditor editor(crlf("O1\nG00 X1.\nO2\nG00  X2.\nG01X3.\n"));
    const std::size_t inO2 = std::string(editor.text()).find("X3");
    editor.select(inO2, inO2);
    NcFunctions nc(editor);
    EXPECT_TRUE(nc.wordBlanks(NcScope::Program, true).changed);
    EXPECT_EQ(editor.text(), crlf("O1\nG00 X1.\nO2\nG00 X2.\nG01 X3.\n"));
    EXPECT_FALSE(nc.wordBlanks(NcScope::Program, true).changed);
    EXPECT_EQ(editor.steps, 1);

    // The caret's line alone for the block skip without a selection.
    EXPECT_TRUE(nc.blockSkip(NcScope::Selection, nc::BlockSkipChange::Toggle).changed);
    EXPECT_EQ(editor.text(), crlf("O1\nG00 X1.\nO2\nG00 X2.\n/G01 X3.\n"));

    // Numbers kept are said with their document line.
    StringEditor numbered(crlf("O1\nN1 G00\nN2 GOTO 1\n"));
    const NcReport r = NcFunctions(numbered).removeNumbers(NcScope::Document, false);
    EXPECT_EQ(numbered.text(), crlf("O1\nN1 G00\nGOTO 1\n"));
    ASSERT_EQ(r.notes.size(), 1);
    EXPECT_EQ(r.notes[0], QStringLiteral("2行: N1 は参照されているため残しました"));
}

// With marks on lines, an unchanged line between two changed ones is not
// replaced.
TEST(NcFunctions, UnchangedLinesStayWhenTheEditorMarksLines)
{
    StringEditor editor(crlf("G00X1.\n(KEEP)\nG01X2.\n"));
    editor.join = false;
    NcFunctions(editor).wordBlanks(NcScope::Document, true);
    EXPECT_EQ(editor.text(), crlf("G00 X1.\n(KEEP)\nG01 X2.\n"));
    EXPECT_EQ(editor.made.size(), 2u);
    editor.join = true;
    NcFunctions(editor).wordBlanks(NcScope::Document, false);
    EXPECT_EQ(editor.made.size(), 1u);
}
