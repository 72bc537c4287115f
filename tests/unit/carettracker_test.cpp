// Caret tracking: which program the index box shows as the caret moves.
#include "document/carettracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace marbolt;

namespace {

// A document of CR LF lines, read the way the editor gives it.
class Document : public TrackedText {
public:
    explicit Document(std::vector<std::string> lines)
    {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            starts_.push_back(text_.size());
            text_ += lines[i];
            if (i + 1 < lines.size())
                text_ += "\r\n";
        }
        lines_ = std::move(lines);
    }
    std::string_view text() const override { return text_; }
    int lineCount() const override { return static_cast<int>(lines_.size()); }
    QString lineText(int index) const override { return QString::fromStdString(lines_[static_cast<std::size_t>(index)]); }
    std::size_t lineAt(std::size_t position) const override
    {
        std::size_t line = 0;
        while (line + 1 < starts_.size() && starts_[line + 1] <= position)
            ++line;
        return line;
    }
    void searching(bool on) const override { searches += on ? 1 : 0; }

    std::size_t at(int line, std::size_t column = 0) const { return starts_[static_cast<std::size_t>(line)] + column; }
    mutable int searches = 0;

private:
    std::string text_;
    std::vector<std::string> lines_;
    std::vector<std::size_t> starts_;
};

// Lines "G1" ... filling a program body.
std::vector<std::string> body(int n)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i)
        lines.push_back("G" + std::to_string(i));
    return lines;
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Moves the caret to the start of each line and gives what the box shows
// after each move, starting from `shown`.
QString walk(CaretTracker &tracker, const Document &doc, const std::vector<int> &lines, QString shown)
{
    for (int line : lines)
        if (auto entry = tracker.caretMoved(doc, doc.at(line), shown))
            shown = *entry;
    return shown;
}

}  // namespace

TEST(CaretTracker, SmallMovesDownFollowTheNearestProgramHeadAbove)
{
    const Document doc(join({{"%", "O100"}, body(5), {":200"}, body(5), {"O300 (X)"}, body(30)}));
    CaretTracker t;
    // O100 is line 1; ":200" line 7; "O300 (X)" line 13.
    EXPECT_EQ(walk(t, doc, {2, 3, 4}, QString()), QStringLiteral("O100"));
    EXPECT_EQ(walk(t, doc, {8}, QStringLiteral("O100")), QStringLiteral(":200"));
    EXPECT_EQ(walk(t, doc, {14, 15}, QStringLiteral(":200")), QStringLiteral("O300 (X)"));
    // More than 20 lines below the head, a small step finds none nearby and
    // leaves the box alone.
    walk(t, doc, {30, 36}, QStringLiteral("O300 (X)"));
    EXPECT_EQ(walk(t, doc, {37}, QStringLiteral("SOMETHING")), QStringLiteral("SOMETHING"));
}

TEST(CaretTracker, MovingUpAcrossTheProgramStartSearchesBack)
{
    const Document doc(join({{"O1"}, body(4), {"O2"}, body(4)}));
    CaretTracker t;
    walk(t, doc, {7}, QString());
    // Up inside O2: the box's entry stands below only once the caret has
    // left O2; inside, nothing changes.
    EXPECT_EQ(walk(t, doc, {6}, QStringLiteral("O2")), QStringLiteral("O2"));
    const int before = doc.searches;
    EXPECT_EQ(walk(t, doc, {4}, QStringLiteral("O2")), QStringLiteral("O1"));
    EXPECT_GT(doc.searches, before);
}

TEST(CaretTracker, FarJumpsTakeTheLastOLineBefore)
{
    const Document doc(join({{"O1"}, body(40), {"O2"}, body(40), {"O3"}, body(40)}));
    CaretTracker t;
    EXPECT_EQ(walk(t, doc, {70}, QString()), QStringLiteral("O2"));
    EXPECT_EQ(walk(t, doc, {10}, QStringLiteral("O2")), QStringLiteral("O1"));  // the first line is one too
    EXPECT_EQ(walk(t, doc, {120}, QStringLiteral("O1")), QStringLiteral("O3"));

    // Before any O-line nothing is found and the box stays.
    const Document plain(join({{"%"}, body(50), {"O9"}}));
    CaretTracker u;
    EXPECT_EQ(walk(u, plain, {40}, QStringLiteral("KEEP")), QStringLiteral("KEEP"));
}

TEST(CaretTracker, TheCaretsOwnOLineAlwaysWins)
{
    // Down from a leading "%" onto the first program: the search finds
    // nothing above, the caret's own O-line decides.
    const Document doc(join({{"%", "O1"}, body(3), {"O2"}, body(3)}));
    CaretTracker t;
    walk(t, doc, {0}, QStringLiteral("O2"));
    EXPECT_EQ(walk(t, doc, {1}, QStringLiteral("O2")), QStringLiteral("O1"));
    // Along its own O-line too, though the line did not change.
    CaretTracker u;
    walk(u, doc, {5}, QString());
    EXPECT_EQ(u.caretMoved(doc, doc.at(5, 1), QStringLiteral("O1")), QStringLiteral("O2"));
    // A lone "O" is no program number.
    const Document lone(join({{"O"}, body(2)}));
    CaretTracker v;
    EXPECT_EQ(v.caretMoved(lone, lone.at(0, 1), QStringLiteral("X")), std::nullopt);
}

TEST(CaretTracker, RemembersEveryMoveButTracksNoneWhileJumpingOrStill)
{
    const Document doc(join({{"O1"}, body(4), {"O2"}, body(4)}));
    CaretTracker t;
    t.setJumping(true);
    EXPECT_EQ(t.caretMoved(doc, doc.at(6), QString()), std::nullopt);
    EXPECT_EQ(t.previousLine(), 7);
    EXPECT_EQ(t.previousPosition(), doc.at(6));
    t.setJumping(false);
    // The same position again changes nothing.
    EXPECT_EQ(t.caretMoved(doc, doc.at(6), QString()), std::nullopt);
    // Along a line that is no O-line: no search, no change.
    const int before = doc.searches;
    EXPECT_EQ(t.caretMoved(doc, doc.at(6, 1), QStringLiteral("O2")), std::nullopt);
    EXPECT_EQ(doc.searches, before);
    // After the jump, a step down is small and finds O2 above.
    EXPECT_EQ(t.caretMoved(doc, doc.at(7), QString()), QStringLiteral("O2"));
}
