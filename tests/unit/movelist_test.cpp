// The compact store of a path's moves gives back every move as it was
// put in: the start a move shares with the end before it, the start of
// its own after a jump, an arc's centre, the feed and tool, across the
// chunks the store grows in, by index and by iteration alike.
#include "nc/movelist.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace marbolt::nc;

namespace {

void expectSame(const Move &got, const Move &want, std::size_t i)
{
    SCOPED_TRACE(i);
    EXPECT_EQ(got.kind, want.kind);
    EXPECT_EQ(got.from, want.from);
    EXPECT_EQ(got.to, want.to);
    if (want.isArc()) {
        EXPECT_EQ(got.center, want.center);
    }
    EXPECT_EQ(got.plane, want.plane);
    EXPECT_EQ(got.feed, want.feed);
    EXPECT_EQ(got.line, want.line);
    EXPECT_EQ(got.tool, want.tool);
}

// Moves mostly joined end to start, with jumps (a G92), arcs in every
// plane, feeds that change at every move and tools that change seldom.
std::vector<Move> randomMoves(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coordinate(-500, 500);
    std::vector<Move> moves;
    Vec3 at;
    int tool = 1;
    for (std::size_t i = 0; i < count; ++i) {
        Move m;
        m.kind = static_cast<MoveKind>(random() % 4);
        m.plane = static_cast<Plane>(random() % 3);
        m.from = random() % 50 == 0 ? Vec3{coordinate(random), coordinate(random), coordinate(random)} : at;
        m.to = {coordinate(random), coordinate(random), coordinate(random)};
        if (m.isArc())
            m.center = {coordinate(random), coordinate(random), coordinate(random)};
        m.feed = static_cast<double>(random() % 5000) / 10;
        if (random() % 1000 == 0)
            ++tool;
        m.tool = tool;
        m.line = static_cast<std::uint32_t>(i * 2 + random() % 2);
        at = m.to;
        moves.push_back(m);
    }
    return moves;
}

}  // namespace

TEST(MoveList, givesBackEveryMoveByIndexAndInOrderAcrossChunks)
{
    // More moves than one chunk holds, so that indexes cross chunks.
    const std::vector<Move> moves = randomMoves(150000, 7);
    MoveList list;
    for (const Move &m : moves)
        list.push_back(m);
    ASSERT_EQ(list.size(), moves.size());
    std::size_t i = 0;
    for (const Move &m : list) {
        expectSame(m, moves[i], i);
        ++i;
        if (::testing::Test::HasFailure())
            return;
    }
    EXPECT_EQ(i, moves.size());
    // By index, in an order that is not the list's.
    std::mt19937 random(3);
    for (int k = 0; k < 20000 && !::testing::Test::HasFailure(); ++k) {
        const std::size_t j = random() % moves.size();
        expectSame(list[j], moves[j], j);
    }
    expectSame(list.front(), moves.front(), 0);
    expectSame(list.back(), moves.back(), moves.size() - 1);
}

TEST(MoveList, aStartEqualToTheEndBeforeItIsSharedAndOneThatDiffersIsKept)
{
    MoveList list;
    Move a;
    a.from = {1, 2, 3};
    a.to = {4, 5, 6};
    list.push_back(a);
    Move b;  // joined
    b.from = a.to;
    b.to = {7, 8, 9};
    list.push_back(b);
    Move c;  // after a jump; then joined again
    c.from = {0, 0, 100};
    c.to = {1, 1, 100};
    list.push_back(c);
    Move d;
    d.from = c.to;
    d.to = {2, 2, 100};
    list.push_back(d);
    EXPECT_EQ(list[0].from, (Vec3{1, 2, 3}));
    EXPECT_EQ(list[1].from, (Vec3{4, 5, 6}));
    EXPECT_EQ(list[2].from, (Vec3{0, 0, 100}));
    EXPECT_EQ(list[3].from, (Vec3{1, 1, 100}));
    list.clear();
    EXPECT_TRUE(list.empty());
    list.push_back(d);
    EXPECT_EQ(list[0].from, d.from);
}
