// The program's operator new advises the kernel on large blocks: checked
// on the mapping the kernel reports for a block, which also shows that
// the replacement is linked in at all (it sits in a static library).
#include "app/largeblocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace marbolt;

namespace {

// The VmFlags line of the mapping that holds address, from /proc/self/smaps.
std::string vmFlagsAt(const void *address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream head(line);
        if (head >> std::hex >> from >> dash >> to && dash == '-') {
            inside = from <= at && at < to;
            continue;
        }
        if (inside && line.rfind("VmFlags:", 0) == 0)
            return line;
    }
    return {};
}

bool kernelHasHugePages()
{
    return access("/sys/kernel/mm/transparent_hugepage/enabled", R_OK) == 0;
}

}  // namespace

TEST(LargeBlocks, OnlyLargeBlocksAreAdvisedAndTheirEdgesStayInPlace)
{
    if (!largeBlocksAdvised())
        GTEST_SKIP() << "sanitizer build: its own operator new";
    if (!kernelHasHugePages())
        GTEST_SKIP() << "kernel without transparent huge pages";

    const std::size_t size = kLargeBlockBytes + (std::size_t{5} << 20);
    std::unique_ptr<char[]> large(new char[size]);
    const auto base = reinterpret_cast<std::uintptr_t>(large.get());
    const std::uintptr_t middle = ((base + size / 2) & ~((std::uintptr_t{2} << 20) - 1));
    EXPECT_NE(vmFlagsAt(reinterpret_cast<void *>(middle)).find(" hg"), std::string::npos)
        << vmFlagsAt(reinterpret_cast<void *>(middle));
    // The block's first bytes (malloc's header shares their page) keep
    // their small pages, and the whole block is still usable.
    EXPECT_EQ(vmFlagsAt(large.get()).find(" hg"), std::string::npos);
    large[0] = 1;
    large[size - 1] = 2;
    EXPECT_EQ(large[0] + large[size - 1], 3);

    std::unique_ptr<char[]> small(new char[kLargeBlockBytes / 2]);
    EXPECT_EQ(vmFlagsAt(small.get() + kLargeBlockBytes / 4).find(" hg"), std::string::npos);
}
