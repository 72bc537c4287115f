#pragma once
// Memory for the big arrays of a large document (a copy of its text, the
// moves of its path) in whole 2 MiB pages that the kernel may back with
// huge pages: a hundred megabytes then cost fifty page faults, not
// twenty-five thousand. Where the kernel gives none, they are ordinary
// pages of an aligned allocation. The program's own operator new gives
// every big block the same advice (app/largeblocks).
#include <cstddef>
#include <memory>

namespace marbolt {

inline constexpr std::size_t kLargePage = std::size_t(2) << 20;

// Advises the kernel to back the whole 2 MiB pages inside [block, block +
// size) with huge pages; the ends stay in small pages, so no byte outside
// the block is touched or re-mapped. A hint: failure is harmless.
void adviseLargePages(void *block, std::size_t size);

struct LargePagesFree {
    void operator()(void *p) const noexcept;
};

// At least `bytes` bytes (rounded up to whole large pages), uninitialised;
// throws std::bad_alloc when there is no memory. Without `huge`, the
// pages are ordinary ones, each taken as it is first written: for what
// may stay small.
std::unique_ptr<void, LargePagesFree> allocateLargePages(std::size_t bytes, bool huge = true);

// A byte buffer in large pages, refilled in place while it is big enough.
class LargeBuffer {
public:
    void assign(const char *data, std::size_t size);
    const char *data() const { return static_cast<const char *>(memory_.get()); }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<void, LargePagesFree> memory_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

}  // namespace marbolt
