#include "common/largepages.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace marbolt {

void LargePagesFree::operator()(void *p) const noexcept
{
    std::free(p);
}

std::unique_ptr<void, LargePagesFree> allocateLargePages(std::size_t bytes, bool huge)
{
    const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void *p = std::aligned_alloc(kLargePage, rounded == 0 ? kLargePage : rounded);
    if (!p)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    // Advice only: a kernel without transparent huge pages ignores it.
    if (huge)
        madvise(p, rounded, MADV_HUGEPAGE);
#else
    (void)huge;
#endif
    return std::unique_ptr<void, LargePagesFree>(p);
}

void LargeBuffer::assign(const char *data, std::size_t size)
{
    if (size > capacity_) {
        memory_.reset();
        memory_ = allocateLargePages(size);
        capacity_ = (size + kLargePage - 1) / kLargePage * kLargePage;
    }
    if (size > 0)
        std::memcpy(memory_.get(), data, size);
    size_ = size;
}

}  // namespace marbolt
