#include "largeblocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define MARBOLT_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MARBOLT_SANITIZED 1
#endif
#endif

namespace marbolt {

#ifdef MARBOLT_SANITIZED
bool largeBlocksAdvised()
{
    return false;
}
#else
bool largeBlocksAdvised()
{
    return true;
}
#endif

}  // namespace marbolt

#ifndef MARBOLT_SANITIZED

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// Only the whole 2 MB pages inside the block are advised; the ends stay in
// small pages, so no byte outside the block is touched or re-mapped.
void adviseHugePages(void *block, std::size_t size)
{
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t to = (start + size) & ~(kHugePage - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);  // a hint; failure is harmless
}

}  // namespace

// Replacements of the global allocation functions. The array, nothrow and
// sized forms of the standard library forward to these two, so every
// operator new and delete in the process, Qt's and the editor library's
// included, pairs malloc with free.
void *operator new(std::size_t size)
{
    void *block = std::malloc(size != 0 ? size : 1);
    if (!block)
        throw std::bad_alloc();
    if (size >= marbolt::kLargeBlockBytes)
        adviseHugePages(block, size);
    return block;
}

void operator delete(void *block) noexcept
{
    std::free(block);
}

void operator delete(void *block, std::size_t) noexcept
{
    std::free(block);
}

#endif
