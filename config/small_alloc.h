// A free-list allocator for the many small blocks of a configuration tree
// (values, names, short texts): no per-block header and no search. Blocks go
// back to a free list of their size and are reused; the chunks they are cut
// from are never given back to the system: they stay for later trees until
// the process ends. The first chunks, up to 2 MiB in all, are ordinary
// memory; later ones can sit on huge pages. Builds with AddressSanitizer use
// the ordinary allocator, so that every block stays checked.
#pragma once

#include <cstddef>

namespace cfg {

// A block of at least size bytes, aligned for any object of alignment 8 or
// less; SmallFree must be given the same size.
void* SmallAllocate(std::size_t size);
void SmallFree(void* block, std::size_t size) noexcept;

// Tops up to count a stock of chunks, shared by all threads, that
// SmallAllocate cuts blocks from before it asks the system for memory. Their
// pages are written now, so that the system backs them at a time of the
// caller's choosing (a thread that would otherwise wait) rather than while a
// tree is being built. No effect in builds that use the ordinary allocator.
void PrepareChunks(std::size_t count);

// Blocks freed by a thread go to that thread's free lists. A helper thread
// that frees blocks for another hands its free lists over before it ends;
// the other takes them (every thread's donations) into its own.
void DonateFreeBlocks();
void AdoptFreeBlocks();

}  // namespace cfg
