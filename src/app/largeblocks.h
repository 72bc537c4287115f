#pragma once
// Large blocks of memory (the editor's text buffer of a big NC file, a
// whole file read for compare) are asked for with a hint that the kernel
// back them with 2 MB pages. The editor's buffer of a 100 MB file is
// zero-filled when it is created; in 4 KB pages that costs some 25,000
// page faults on the thread that opens the file, with 2 MB pages about 50.
//
// The hint is given by this program's own global operator new, which
// takes the memory from malloc as the standard one does and then advises
// the kernel on it; sanitizer builds keep the sanitizer's operator new.

#include <cstddef>

namespace marbolt {

// Blocks of at least this size get the hint. glibc serves every request
// this large with a mapping of its own, so the advice never reaches the
// heap shared with small blocks.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{32} << 20;

// Whether this build's operator new gives the hint (false under the
// sanitizers, whose own operator new checks every new against its delete).
bool largeBlocksAdvised();

}  // namespace marbolt
