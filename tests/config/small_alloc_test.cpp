// The small-block allocator: blocks freed on a helper thread come back to the
// thread that takes the helper's donation.
#include <gtest/gtest.h>

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

}  // namespace
