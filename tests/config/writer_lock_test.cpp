// The writer lock of a file: one holder at a time, a waiting writer that
// gives up after its bound, and nothing left behind once released.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "config/writer_lock.h"
#include "test_support.h"

namespace {

using cfg::WriterLock;

TEST(WriterLock, OneHolderAtATime) {
  cfgtest::TempDir dir;
  const std::string file = dir.File("app.cfg");
  const std::chrono::milliseconds kShortWait{50};
  {
    WriterLock first(file);
    ASSERT_EQ(first.GetState(), WriterLock::State::Held) << first.Error();
    EXPECT_EQ(first.LockPath(), file + ".lock");
    EXPECT_TRUE(cfgtest::FileExists(first.LockPath()));

    WriterLock second(file, kShortWait);
    EXPECT_EQ(second.GetState(), WriterLock::State::Busy);
    EXPECT_FALSE(second.MayWrite());
  }
  EXPECT_FALSE(cfgtest::FileExists(file + ".lock")) << "released, and the busy one removed nothing";

  // A writer that waits gets the lock once its holder lets go.
  auto holder = std::make_unique<WriterLock>(file);
  ASSERT_TRUE(holder->MayWrite());
  std::thread release([&holder] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    holder.reset();
  });
  WriterLock waiting(file);
  release.join();
  EXPECT_EQ(waiting.GetState(), WriterLock::State::Held);

  WriterLock noFolder(dir.File("missing/app.cfg"), kShortWait);
  EXPECT_EQ(noFolder.GetState(), WriterLock::State::Failed);
  EXPECT_FALSE(noFolder.Error().empty());
}

}  // namespace
