#pragma once
// When a recovery copy is due: once the document has been left alone for
// the idle time, and while typing goes on at the latest the longest wait
// after the first change the last copy does not hold. Times are
// milliseconds of any steady clock; a document is told by its generation
// (equal generations, equal text) and whether it is unsaved.
#include <QtGlobal>

#include <cstdint>
#include <optional>

namespace marbolt {

class RecoverySchedule {
public:
    RecoverySchedule(qint64 idleMs, qint64 longestWaitMs) : idleMs_(idleMs), longestWaitMs_(longestWaitMs) {}

    // The document as it stands at now.
    void observe(std::uint64_t generation, bool unsaved, qint64 now);
    // A copy should be taken now.
    bool due(qint64 now) const;
    // A copy of generation was taken.
    void copied(std::uint64_t generation) { copied_ = generation; }
    // The copy could not be written: another try after the idle time.
    void retryLater(qint64 now)
    {
        copied_.reset();
        lastChange_ = now;
        pendingSince_ = now;
    }
    // The copy holds what the document holds, or no copy is wanted.
    bool settled() const { return !unsaved_ || copied_ == seen_; }
    // Whether a copy should exist at all.
    bool wantsCopy() const { return unsaved_; }

private:
    qint64 idleMs_;
    qint64 longestWaitMs_;
    bool unsaved_ = false;
    std::optional<std::uint64_t> seen_;
    std::optional<std::uint64_t> copied_;
    qint64 lastChange_ = 0;     // when seen_ was first seen
    qint64 pendingSince_ = 0;   // when the first generation after copied_ was seen
};

}  // namespace marbolt
