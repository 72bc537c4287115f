#include "document/recoveryschedule.h"

namespace marbolt {

void RecoverySchedule::observe(std::uint64_t generation, bool unsaved, qint64 now)
{
    const bool wasSettled = settled();
    const bool becameUnsaved = unsaved && !unsaved_;
    unsaved_ = unsaved;
    if (seen_ == generation && !becameUnsaved)
        return;
    // The first change the copy does not hold starts the longest wait;
    // later ones only move the idle time on.
    if (wasSettled || !seen_)
        pendingSince_ = now;
    seen_ = generation;
    lastChange_ = now;
}

bool RecoverySchedule::due(qint64 now) const
{
    if (settled())
        return false;
    return now - lastChange_ >= idleMs_ || now - pendingSince_ >= longestWaitMs_;
}

}  // namespace marbolt
