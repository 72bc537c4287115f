#pragma once
// The moves of a path, stored compactly: a path of a big program is
// millions of moves, and the memory they take is most of the time it
// takes to read them. A move starts where the one before it ended, so
// only its end is kept (with the rare start that differs, after a G92,
// on the side); an arc's centre is kept on the side too. The moves lie in
// large-page chunks that never move as the list grows.
#include "common/largepages.h"

#include <cstdint>
#include <iterator>
#include <vector>

namespace marbolt::nc {

struct Vec3 {
    double x = 0, y = 0, z = 0;
    friend bool operator==(const Vec3 &, const Vec3 &) = default;
};

enum class Plane : std::uint8_t { XY, ZX, YZ };  // G17, G18, G19

enum class MoveKind : std::uint8_t { Rapid, Feed, ArcCw, ArcCcw };

inline bool isArc(MoveKind kind)
{
    return kind == MoveKind::ArcCw || kind == MoveKind::ArcCcw;
}

struct Move {
    MoveKind kind = MoveKind::Rapid;
    Vec3 from, to;
    Vec3 center;  // of an arc
    Plane plane = Plane::XY;
    double feed = 0;  // per minute, in the program's unit (per revolution times S on a lathe)
    std::uint32_t line = 0;  // the source line of the block (0-based)
    int tool = 0;

    bool isArc() const { return nc::isArc(kind); }
};

class MoveList {
public:
    MoveList() = default;
    MoveList(MoveList &&) noexcept = default;
    MoveList &operator=(MoveList &&) noexcept = default;

    void push_back(const Move &move);
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // The move, with its start and centre, as a value.
    Move operator[](std::size_t i) const;
    Move front() const { return (*this)[0]; }
    Move back() const { return (*this)[size_ - 1]; }
    void clear();

    // Goes through the moves in order, the side tables with it.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Move;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Move;

        const_iterator() = default;
        Move operator*() const { return list_->build(i_, start_, centre_); }
        const_iterator &operator++();
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const const_iterator &a, const const_iterator &b) { return a.i_ == b.i_; }

    private:
        friend class MoveList;
        const_iterator(const MoveList *list, std::size_t i) : list_(list), i_(i) {}
        const MoveList *list_ = nullptr;
        std::size_t i_ = 0;
        std::size_t start_ = 0;   // the next entry of starts_
        std::size_t centre_ = 0;  // the next entry of centres_
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size_}; }

private:
    // 40 bytes a move: its end, its feed, its line, and in one word its
    // kind, its plane, whether its start is its own, and its tool (as an
    // entry of tools_: the tool changes seldom).
    struct Stored {
        Vec3 to;
        double feed;
        std::uint32_t line;
        std::uint32_t packed;
        MoveKind kind() const { return static_cast<MoveKind>(packed & 3u); }
        Plane plane() const { return static_cast<Plane>((packed >> 2) & 3u); }
        bool ownStart() const { return (packed >> 4) & 1u; }
        std::uint32_t toolEntry() const { return packed >> 5; }
    };
    static constexpr std::uint32_t kMostToolEntries = 1u << 27;
    static constexpr std::size_t kPerChunk = kLargePage / sizeof(Stored);

    const Stored &at(std::size_t i) const { return static_cast<const Stored *>(chunks_[i / kPerChunk].get())[i % kPerChunk]; }
    // The move i whose own start (if it has one) is starts_[start] and
    // whose centre (if it is an arc) is centres_[centre].
    Move build(std::size_t i, std::size_t start, std::size_t centre) const;

    struct Point {  // a start or a centre, with its move
        std::size_t index;
        Vec3 at;
    };
    static std::size_t find(const std::vector<Point> &points, std::size_t index);

    std::vector<std::unique_ptr<void, LargePagesFree>> chunks_;
    std::vector<int> tools_;
    std::vector<Point> starts_;   // in the order of the moves
    std::vector<Point> centres_;  // of the arcs, in order
    std::size_t size_ = 0;
};

}  // namespace marbolt::nc
