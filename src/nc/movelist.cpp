#include "nc/movelist.h"

#include <algorithm>

namespace marbolt::nc {

void MoveList::push_back(const Move &move)
{
    if (size_ % kPerChunk == 0 && size_ / kPerChunk == chunks_.size())
        // The first chunk in ordinary pages: most programs' paths fit in a
        // fraction of it.
        chunks_.push_back(allocateLargePages(kPerChunk * sizeof(Stored), !chunks_.empty()));
    // Past the last entry that fits, the last tool stands (a program that
    // changes its tool at every one of a hundred million moves).
    if (tools_.empty() || (tools_.back() != move.tool && tools_.size() < kMostToolEntries))
        tools_.push_back(move.tool);
    const bool ownStart = size_ == 0 || !(at(size_ - 1).to == move.from);
    if (ownStart)
        starts_.push_back({size_, move.from});
    if (move.isArc())
        centres_.push_back({size_, move.center});
    Stored s;
    s.to = move.to;
    s.feed = move.feed;
    s.line = move.line;
    s.packed = static_cast<std::uint32_t>(move.kind) | static_cast<std::uint32_t>(move.plane) << 2
               | static_cast<std::uint32_t>(ownStart) << 4 | static_cast<std::uint32_t>(tools_.size() - 1) << 5;
    static_cast<Stored *>(chunks_[size_ / kPerChunk].get())[size_ % kPerChunk] = s;
    ++size_;
}

std::size_t MoveList::find(const std::vector<Point> &points, std::size_t index)
{
    return static_cast<std::size_t>(
        std::lower_bound(points.begin(), points.end(), index, [](const Point &p, std::size_t i) { return p.index < i; })
        - points.begin());
}

Move MoveList::build(std::size_t i, std::size_t start, std::size_t centre) const
{
    const Stored &s = at(i);
    Move m;
    m.kind = s.kind();
    m.to = s.to;
    m.plane = s.plane();
    m.line = s.line;
    m.feed = s.feed;
    m.tool = tools_[s.toolEntry()];
    m.from = s.ownStart() ? starts_[start].at : at(i - 1).to;
    if (m.isArc())
        m.center = centres_[centre].at;
    return m;
}

Move MoveList::operator[](std::size_t i) const
{
    const Stored &s = at(i);
    return build(i, s.ownStart() ? find(starts_, i) : 0, isArc(s.kind()) ? find(centres_, i) : 0);
}

MoveList::const_iterator &MoveList::const_iterator::operator++()
{
    const Stored &s = list_->at(i_);
    start_ += s.ownStart() ? 1 : 0;
    centre_ += isArc(s.kind()) ? 1 : 0;
    ++i_;
    return *this;
}

void MoveList::clear()
{
    chunks_.clear();
    tools_.clear();
    starts_.clear();
    centres_.clear();
    size_ = 0;
}

}  // namespace marbolt::nc
