#include "small_alloc.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define CFG_PLAIN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CFG_PLAIN_ALLOCATOR 1
#endif
#endif

namespace cfg {

#ifdef CFG_PLAIN_ALLOCATOR

void* SmallAllocate(std::size_t size) { return ::operator new(size); }
void PrepareChunks(std::size_t) {}
void DonateFreeBlocks() {}
void AdoptFreeBlocks() {}
void SmallFree(void* block, std::size_t) noexcept { ::operator delete(block); }

#else

namespace {

// Tree objects need no more than pointer alignment: an 8-byte granule keeps
// a 40-byte object from taking 48.
constexpr std::size_t kGranule = 8;
constexpr std::size_t kClasses = 16;  // blocks of 8, 16, ... 128 bytes
// Chunks are large and aligned so that the system can back them with huge
// pages: a big tree then costs a few hundred page faults instead of tens of
// thousands.
constexpr std::size_t kChunk = 2 * 1024 * 1024;
// The smallest page the system may back a chunk with: writing one byte of
// each backs the whole chunk.
constexpr std::size_t kSmallPage = 4096;

struct FreeBlock {
  FreeBlock* next;
};

// Free lists by size class; last[c] is the last block of free[c] while that
// list is not empty, so that whole lists can be moved between pools.
struct FreeLists {
  FreeBlock* free[kClasses + 1] = {};
  FreeBlock* last[kClasses + 1] = {};
};

struct Pool : FreeLists {
  char* bump = nullptr;
  char* bumpEnd = nullptr;
};

thread_local Pool pool;

// Blocks that ending threads handed over (DonateFreeBlocks).
std::mutex donatedMutex;
FreeLists donated;

// Puts every list of from in front of the list of the same class in to.
void MoveLists(FreeLists& from, FreeLists& to) {
  for (std::size_t c = 1; c <= kClasses; ++c) {
    if (from.free[c] == nullptr) continue;
    from.last[c]->next = to.free[c];
    if (to.free[c] == nullptr) to.last[c] = from.last[c];
    to.free[c] = from.free[c];
    from.free[c] = nullptr;
  }
}

// Blocks this large (a big list's slots or name index) are aligned to and
// rounded up to whole chunks, so that they too can sit on huge pages: their
// lookups are random, and small pages would cost a TLB miss nearly each time.
constexpr std::size_t kLarge = kChunk;

void* NewLarge(std::size_t size) {
#if defined(__linux__)
  const std::size_t rounded = (size + kChunk - 1) / kChunk * kChunk;
  void* block = std::aligned_alloc(kChunk, rounded);
  if (block == nullptr) throw std::bad_alloc();
  madvise(block, rounded, MADV_HUGEPAGE);
  return block;
#else
  return ::operator new(size);
#endif
}

void FreeLarge(void* block) noexcept {
#if defined(__linux__)
  std::free(block);
#else
  ::operator delete(block);
#endif
}

char* FreshChunk() {
#if defined(__linux__)
  void* chunk = std::aligned_alloc(kChunk, kChunk);
  if (chunk == nullptr) throw std::bad_alloc();
  madvise(chunk, kChunk, MADV_HUGEPAGE);
  return static_cast<char*>(chunk);
#else
  return static_cast<char*>(::operator new(kChunk));
#endif
}

// Chunks made ready by PrepareChunks, for any thread's pool to take. Those
// left over stay for later trees, like every chunk once cut.
std::mutex readyMutex;
std::vector<char*> readyChunks;
std::atomic<std::size_t> readyCount{0};

// A small tree is not worth a huge page: the system clears all 2 MiB of one
// when it is first touched (and, on a virtual machine whose host took the
// page back, backs it anew), which costs more than loading a small file
// does. The first chunks are therefore ordinary memory, the first of
// kFirstSmallChunk bytes and each later one as large as all before it
// together, until they hold kChunk bytes: from there on the tree is big, and
// chunks are huge-page chunks.
constexpr std::size_t kFirstSmallChunk = 16 * 1024;
std::atomic<std::size_t> smallChunkBytes{0};

// Gives pool a new chunk to cut blocks from.
void NewChunk(Pool& pool) {
  if (readyCount.load(std::memory_order_relaxed) > 0) {
    std::lock_guard<std::mutex> lock(readyMutex);
    if (!readyChunks.empty()) {
      pool.bump = readyChunks.back();
      pool.bumpEnd = pool.bump + kChunk;
      readyChunks.pop_back();
      readyCount.store(readyChunks.size(), std::memory_order_relaxed);
      return;
    }
  }
  std::size_t taken = smallChunkBytes.load(std::memory_order_relaxed);
  while (taken < kChunk) {
    const std::size_t bytes = taken < kFirstSmallChunk ? kFirstSmallChunk : taken;
    if (smallChunkBytes.compare_exchange_weak(taken, taken + bytes, std::memory_order_relaxed)) {
      pool.bump = static_cast<char*>(::operator new(bytes));
      pool.bumpEnd = pool.bump + bytes;
      return;
    }
  }
  pool.bump = FreshChunk();
  pool.bumpEnd = pool.bump + kChunk;
}

}  // namespace

void PrepareChunks(std::size_t count) {
  while (readyCount.load(std::memory_order_relaxed) < count) {
    char* chunk = FreshChunk();
    // The system backs the whole chunk now: in one call where it can (fewer
    // faults when the chunk has small pages), else by a write to each page.
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    if (madvise(chunk, kChunk, MADV_POPULATE_WRITE) != 0)
#endif
    {
      for (volatile char* page = chunk; page < chunk + kChunk; page += kSmallPage) *page = 0;
    }
    std::lock_guard<std::mutex> lock(readyMutex);
    readyChunks.push_back(chunk);
    readyCount.store(readyChunks.size(), std::memory_order_relaxed);
  }
}

void* SmallAllocate(std::size_t size) {
  const std::size_t cls = (size + kGranule - 1) / kGranule;
  if (cls == 0 || cls > kClasses) return size >= kLarge ? NewLarge(size) : ::operator new(size);
  if (FreeBlock* block = pool.free[cls]) {
    pool.free[cls] = block->next;
    return block;
  }
  const std::size_t bytes = cls * kGranule;
  if (static_cast<std::size_t>(pool.bumpEnd - pool.bump) < bytes) NewChunk(pool);
  void* block = pool.bump;
  pool.bump += bytes;
  return block;
}

void SmallFree(void* block, std::size_t size) noexcept {
  if (block == nullptr) return;
  const std::size_t cls = (size + kGranule - 1) / kGranule;
  if (cls == 0 || cls > kClasses) {
    if (size >= kLarge) {
      FreeLarge(block);
    } else {
      ::operator delete(block);
    }
    return;
  }
  auto* freed = static_cast<FreeBlock*>(block);
  if (pool.free[cls] == nullptr) pool.last[cls] = freed;
  freed->next = pool.free[cls];
  pool.free[cls] = freed;
}

void DonateFreeBlocks() {
  std::lock_guard<std::mutex> lock(donatedMutex);
  MoveLists(pool, donated);
}

void AdoptFreeBlocks() {
  std::lock_guard<std::mutex> lock(donatedMutex);
  MoveLists(donated, pool);
}

#endif

}  // namespace cfg
