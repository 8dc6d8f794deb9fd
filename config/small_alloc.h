// A free-list allocator for the many small blocks of a configuration tree
// (values, names, short texts): no per-block header and no search. Blocks go
// back to a free list of their size and are reused; the chunks they are cut
// from live as long as the thread. Builds with AddressSanitizer use the
// ordinary allocator, so that every block stays checked.
#pragma once

#include <cstddef>

namespace cfg {

// A block of at least size bytes, aligned for any object of alignment 8 or
// less; SmallFree must be given the same size.
void* SmallAllocate(std::size_t size);
void SmallFree(void* block, std::size_t size) noexcept;

}  // namespace cfg
