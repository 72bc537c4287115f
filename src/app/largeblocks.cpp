#include "largeblocks.h"

#include "common/largepages.h"

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
        marbolt::adviseLargePages(block, size);
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
