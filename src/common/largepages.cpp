#include "common/largepages.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace marbolt {

namespace {

// bytes rounded up to whole large pages.
std::size_t wholeLargePages(std::size_t bytes)
{
    return (bytes + kLargePage - 1) / kLargePage * kLargePage;
}

}  // namespace

void adviseLargePages(void *block, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t to = (start + size) & ~(kLargePage - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

void LargePagesFree::operator()(void *p) const noexcept
{
    std::free(p);
}

std::unique_ptr<void, LargePagesFree> allocateLargePages(std::size_t bytes, bool huge)
{
    const std::size_t rounded = wholeLargePages(bytes);
    void *p = std::aligned_alloc(kLargePage, rounded == 0 ? kLargePage : rounded);
    if (!p)
        throw std::bad_alloc();
    // Advice only: a kernel without transparent huge pages ignores it.
    if (huge)
        adviseLargePages(p, rounded);
    return std::unique_ptr<void, LargePagesFree>(p);
}

void LargeBuffer::assign(const char *data, std::size_t size)
{
    if (size > capacity_) {
        memory_.reset();
        memory_ = allocateLargePages(size);
        capacity_ = wholeLargePages(size);
    }
    if (size > 0)
        std::memcpy(memory_.get(), data, size);
    size_ = size;
}

}  // namespace marbolt
