// The small-block allocator: blocks freed on a helper thread come back to the
// thread that takes the helper's donation; blocks cut from the first, small
// chunks and from the huge-page chunks after them never overlap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "config/small_alloc.h"

#if defined(__SANITIZE_ADDRESS__)
#define CFG_TEST_PLAIN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CFG_TEST_PLAIN_ALLOCATOR 1
#endif
#endif

namespace {

TEST(SmallAllocator, BlocksFreedByAHelperComeBackAfterItsDonation) {
#ifdef CFG_TEST_PLAIN_ALLOCATOR
  GTEST_SKIP() << "sanitizer builds use the ordinary allocator";
#endif
  constexpr size_t kSize = 40;
  std::vector<void*> blocks;
  for (int i = 0; i < 1000; ++i) blocks.push_back(cfg::SmallAllocate(kSize));
  const std::set<void*> given(blocks.begin(), blocks.end());
  std::thread helper([&blocks] {
    for (void* block : blocks) cfg::SmallFree(block, kSize);
    cfg::DonateFreeBlocks();
  });
  helper.join();
  cfg::AdoptFreeBlocks();
  std::set<void*> again;
  for (int i = 0; i < 1000; ++i) again.insert(cfg::SmallAllocate(kSize));
  EXPECT_EQ(again, given);
  for (void* block : again) cfg::SmallFree(block, kSize);
}

TEST(SmallAllocator, BlocksStayApartFromSmallChunksIntoHugeOnes) {
#ifdef CFG_TEST_PLAIN_ALLOCATOR
  GTEST_SKIP() << "sanitizer builds use the ordinary allocator";
#endif
  // More than all small chunks hold together (2 MiB), in blocks of the
  // largest size class and of the smallest, so that both run through the
  // end of every small chunk into huge-page ones.
  constexpr size_t kSizes[] = {128, 8};
  constexpr size_t kBytes = 3 << 20;
  for (const size_t size : kSizes) {
    SCOPED_TRACE(size);
    std::vector<unsigned char*> blocks;
    for (size_t i = 0; i < kBytes / size; ++i) {
      auto* block = static_cast<unsigned char*>(cfg::SmallAllocate(size));
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(block) % 8, 0u);
      std::memset(block, static_cast<int>(i % 251), size);
      blocks.push_back(block);
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
      ASSERT_EQ(blocks[i][0], i % 251) << "block " << i << " was written over";
      ASSERT_EQ(blocks[i][size - 1], i % 251) << "block " << i << " was written over";
    }
    std::vector<unsigned char*> sorted = blocks;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 1; i < sorted.size(); ++i) ASSERT_GE(sorted[i] - sorted[i - 1], static_cast<std::ptrdiff_t>(size));
    for (unsigned char* block : blocks) cfg::SmallFree(block, size);
  }
}

}  // namespace
