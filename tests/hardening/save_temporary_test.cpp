// The temporary file that a save writes beside its target: no one can make
// the save write elsewhere through a link planted at its name, and no one can
// read a private file's content through it while the save runs.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "scratch_dir.h"
#include "tests/tree_fill.h"

namespace hardening {
namespace {

// The permission bits of a file.
constexpr mode_t kPermissionBits = 07777;
// Bits that let others than the owner at a file.
constexpr mode_t kGroupAndOthers = 077;
// A new file's mode before the umask, as fopen creates files.
constexpr mode_t kNewFileMode = 0666;

// Sets the umask for the life of the object.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : previous_(umask(mask)) {}
  ~ScopedUmask() { umask(previous_); }

 private:
  mode_t previous_;
};

mode_t ModeOf(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

std::string SavedText(const cfg::Section& doc) {
  cfg::ConfigStream out(cfg::InMemory{});
  doc.SaveSection(out);
  return out.Output();
}

void FillDocument(cfg::Section& doc, int records) {
  cfg::Section* section = doc.FindOrCreateSection("data");
  for (int i = 0; i < records; ++i) {
    cfgtest::AddValue(section, "r" + std::to_string(i) + "[secret]", std::string(100, 's').c_str());
  }
}

// Names that a save could pick for its temporary file if the name were
// derived from what an attacker knows: the target's name, this process's id
// and a counter.
std::vector<std::string> PredictableNames(const std::string& target) {
  const int kCounterValues = 200;
  const std::string pid = std::to_string(getpid());
  std::vector<std::string> names = {target + ".tmp", target + "~", target + ".new", target + ".~tmp"};
  for (int n = 0; n <= kCounterValues; ++n) {
    names.push_back(target + ".~" + pid + "-" + std::to_string(n) + ".tmp");
    names.push_back(target + "." + std::to_string(n) + ".tmp");
  }
  return names;
}

TEST(SaveTemporary, LinksAtPredictableNamesAreNotFollowed) {
  ScratchDir folder, elsewhere;
  const std::string target = folder.File("doc.cfg");
  const std::string victim = elsewhere.File("victim");
  ASSERT_TRUE(WriteFile(target, "(int)old=1\n"));
  ASSERT_TRUE(WriteFile(victim, "not to be touched\n"));
  const std::vector<std::string> names = PredictableNames(target);
  for (size_t i = 0; i < names.size(); ++i) {
    // Half point at an existing file, half nowhere (a save through them
    // would create the file they name).
    const std::string to = i % 2 == 0 ? victim : elsewhere.File("created" + std::to_string(i));
    ASSERT_EQ(symlink(to.c_str(), names[i].c_str()), 0) << names[i];
  }
  const auto elsewhereBefore = Snapshot(elsewhere.Path());

  cfg::Section doc(cfg::kFileSection, target.c_str());
  FillDocument(doc, 100);
  for (int save = 0; save < 3; ++save) ASSERT_EQ(doc.Save(), 1);

  EXPECT_EQ(ReadFile(target), SavedText(doc));
  EXPECT_TRUE(S_ISREG(ModeOf(target)));
  EXPECT_EQ(DescribeChanges(elsewhereBefore, Snapshot(elsewhere.Path())), "");
  for (const std::string& name : names) EXPECT_TRUE(S_ISLNK(ModeOf(name))) << name;
}

// Watches folder from a second thread: the modes of every entry but target
// seen while the watch runs.
class FolderWatch {
 public:
  FolderWatch(std::string folder, std::string target)
      : folder_(std::move(folder)), target_(std::move(target)), thread_([this] { Run(); }) {}
  ~FolderWatch() { Stop(); }

  void Stop() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // Entries other than the target seen, and the bits any of them granted to
  // group or others.
  int Seen() const { return seen_; }
  mode_t OpenToOthers() const { return openToOthers_; }

 private:
  void Run() {
    while (!done_) {
      DIR* dir = opendir(folder_.c_str());
      if (dir == nullptr) return;
      while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || folder_ + "/" + name == target_) continue;
        struct stat info;
        if (lstat((folder_ + "/" + name).c_str(), &info) != 0) continue;  // gone meanwhile
        ++seen_;
        openToOthers_ |= info.st_mode & kGroupAndOthers;
      }
      closedir(dir);
    }
  }

  std::string folder_, target_;
  std::atomic<bool> done_{false};
  std::atomic<int> seen_{0};
  std::atomic<mode_t> openToOthers_{0};
  std::thread thread_;
};

// With no umask to hide it, a temporary created with a new file's default
// mode would be readable by everyone for the length of the save.
TEST(SaveTemporary, APrivateFilesTemporaryIsNeverOpenToOthers) {
  const int kRecords = 20000;  // a few MB: a save long enough to be watched
  const int kMostSaves = 20;
  ScopedUmask noMask(0);
  ScratchDir folder;
  const std::string target = folder.File("doc.cfg");
  ASSERT_TRUE(WriteFile(target, "(int)old=1\n"));
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);

  cfg::Section doc(cfg::kFileSection, target.c_str());
  FillDocument(doc, kRecords);
  FolderWatch watch(folder.Path(), target);
  for (int save = 0; save < kMostSaves && watch.Seen() == 0; ++save) ASSERT_EQ(doc.Save(), 1);
  watch.Stop();

  ASSERT_GT(watch.Seen(), 0) << "the watch never saw the temporary file";
  EXPECT_EQ(watch.OpenToOthers(), 0u);
  EXPECT_EQ(ModeOf(target) & kPermissionBits, 0600u);
  EXPECT_EQ(ReadFile(target), SavedText(doc));
}

// Saving replaces the file and keeps its permission bits exactly, whatever
// the umask would take from a new file; a new target gets a new file's mode.
TEST(SaveTemporary, SavingKeepsThePermissionBits) {
  const mode_t kUmask = 077;
  ScopedUmask mask(kUmask);
  const mode_t modes[] = {0600, 0640, 0644, 0755, 0444};
  ScratchDir folder;
  for (mode_t mode : modes) {
    SCOPED_TRACE(std::to_string(mode));
    const std::string target = folder.File("doc" + std::to_string(mode) + ".cfg");
    ASSERT_TRUE(WriteFile(target, "; old\n"));
    ASSERT_EQ(chmod(target.c_str(), mode), 0);
    cfg::Section doc(cfg::kFileSection, target.c_str());
    FillDocument(doc, 10);
    ASSERT_EQ(doc.Save(), 1);
    EXPECT_EQ(ReadFile(target), SavedText(doc));
    EXPECT_EQ(ModeOf(target) & kPermissionBits, mode);
  }
  const std::string fresh = folder.File("new.cfg");
  cfg::Section doc(cfg::kFileSection, fresh.c_str());
  FillDocument(doc, 10);
  ASSERT_EQ(doc.Save(), 1);
  EXPECT_EQ(ModeOf(fresh) & kPermissionBits, kNewFileMode & ~kUmask);
  // Nothing else is left in the folder.
  EXPECT_EQ(Snapshot(folder.Path()).size(), std::size(modes) + 1);
}

}  // namespace
}  // namespace hardening
