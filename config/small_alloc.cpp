#include "small_alloc.h"

#include <new>

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
void SmallFree(void* block, std::size_t) noexcept { ::operator delete(block); }

#else

namespace {

constexpr std::size_t kGranule = 16;
constexpr std::size_t kClasses = 8;  // blocks of 16, 32, ... 128 bytes
constexpr std::size_t kChunk = 64 * 1024;

struct FreeBlock {
  FreeBlock* next;
};

struct Pool {
  FreeBlock* free[kClasses + 1] = {};
  char* bump = nullptr;
  char* bumpEnd = nullptr;
};

thread_local Pool pool;

}  // namespace

void* SmallAllocate(std::size_t size) {
  const std::size_t cls = (size + kGranule - 1) / kGranule;
  if (cls == 0 || cls > kClasses) return ::operator new(size);
  if (FreeBlock* block = pool.free[cls]) {
    pool.free[cls] = block->next;
    return block;
  }
  const std::size_t bytes = cls * kGranule;
  if (static_cast<std::size_t>(pool.bumpEnd - pool.bump) < bytes) {
    pool.bump = static_cast<char*>(::operator new(kChunk));
    pool.bumpEnd = pool.bump + kChunk;
  }
  void* block = pool.bump;
  pool.bump += bytes;
  return block;
}

void SmallFree(void* block, std::size_t size) noexcept {
  if (block == nullptr) return;
  const std::size_t cls = (size + kGranule - 1) / kGranule;
  if (cls == 0 || cls > kClasses) {
    ::operator delete(block);
    return;
  }
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = pool.free[cls];
  pool.free[cls] = freed;
}

#endif

}  // namespace cfg
