// Saving through the real file system when the file system gets in the way:
// whatever goes wrong, Save reports 0 (cfgtool exits with 2), the previous
// file stays byte for byte, and no temporary file is left beside it.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "mounted_tmpfs.h"
#include "scratch_dir.h"
#include "tests/tree_fill.h"

extern char** environ;

namespace hardening {
namespace {

enum class Fault {
  None,            // a writable folder with room: the save goes through
  ReadOnlyFolder,  // the folder lies on a read-only mount
  FullDisk,        // the file system has less room than the new file needs
  TargetIsFolder,  // the path names a folder
  MissingFolder,   // the path's folder does not exist
};

struct FaultCase {
  const char* name;
  Fault fault;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

const FaultCase kFaultCases[] = {
    {"Writable", Fault::None},
    {"ReadOnlyFolder", Fault::ReadOnlyFolder},
    {"FullDisk", Fault::FullDisk},
    {"TargetIsFolder", Fault::TargetIsFolder},
    {"MissingFolder", Fault::MissingFolder},
};

// The memory file system: 64 KiB, of which the previous file takes 40 KiB, so
// that neither a new file of the same size nor a bigger one fits beside it.
constexpr size_t kTmpfsBytes = 64 * 1024;
constexpr size_t kPreviousFileBytes = 40 * 1024;

// A previous file that is not in the saved form (a comment, no indentation),
// so that any rewrite changes it; it holds old[v] for cfgtool's del.
std::string PreviousFileText() {
  std::string text = "; the previous file\n(int)old[v]=1\n{ keep:\n(int)k=2\n} keep;\n";
  for (int i = 0; text.size() < kPreviousFileBytes; ++i) {
    text += "(string)pad[p" + std::to_string(i) + "]=" + std::string(100, 'o') + "\n";
  }
  return text;
}

// A document of about 300 KB, larger than the whole memory file system.
void FillDocument(cfg::Section& doc) {
  cfg::Section* section = doc.FindOrCreateSection("data");
  for (int i = 0; i < 2000; ++i) {
    const std::string record = "r" + std::to_string(i);
    cfgtest::AddValue(section, record + "[text]", std::string(120, 'n').c_str());
    cfgtest::AddValue(section, record + "[id]", static_cast<int64_t>(5000000000LL + i));
  }
}

std::string SavedText(const cfg::Section& doc) {
  cfg::ConfigStream out(cfg::InMemory{});
  doc.SaveSection(out);
  return out.Output();
}

class SaveFaultTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  void SetUp() override {
    const Fault fault = GetParam().fault;
    if (fault == Fault::ReadOnlyFolder || fault == Fault::FullDisk) {
      mount_ = std::make_unique<MountedTmpfs>(kTmpfsBytes);
      if (!mount_->Mounted()) GTEST_SKIP() << "no tmpfs for this fault: " << mount_->Error();
      folder_ = mount_->Path();
    } else {
      folder_ = scratch_.Path();
    }
    previous_ = PreviousFileText();
    switch (fault) {
      case Fault::None:
      case Fault::ReadOnlyFolder:
      case Fault::FullDisk:
        target_ = folder_ + "/doc.cfg";
        ASSERT_TRUE(WriteFile(target_, previous_));
        break;
      case Fault::TargetIsFolder:
        target_ = folder_ + "/doc.cfg";
        ASSERT_EQ(mkdir(target_.c_str(), 0755), 0);
        ASSERT_TRUE(WriteFile(target_ + "/inside.cfg", previous_));
        break;
      case Fault::MissingFolder:
        target_ = folder_ + "/missing/doc.cfg";
        ASSERT_TRUE(WriteFile(folder_ + "/doc.cfg", previous_));
        break;
    }
    if (fault == Fault::ReadOnlyFolder) {
      ASSERT_TRUE(mount_->MakeReadOnly()) << mount_->Error();
    }
    before_ = Snapshot(folder_);
  }

  bool ExpectSaved() const { return GetParam().fault == Fault::None; }

  ScratchDir scratch_;
  std::unique_ptr<MountedTmpfs> mount_;
  std::string folder_;    // the folder whose content the save must not spoil
  std::string target_;    // the path saved to
  std::string previous_;  // the previous file's bytes
  std::map<std::string, std::string> before_;
};

TEST_P(SaveFaultTest, SaveKeepsThePreviousFile) {
  cfg::Section doc(cfg::kFileSection, target_.c_str());
  FillDocument(doc);
  const int result = doc.Save();

  std::map<std::string, std::string> expected = before_;
  if (ExpectSaved()) {
    EXPECT_EQ(result, 1);
    expected["doc.cfg"] = SavedText(doc);
  } else {
    EXPECT_EQ(result, 0);
  }
  EXPECT_EQ(DescribeChanges(expected, Snapshot(folder_)), "");
}

#ifdef CFG_CFGTOOL
struct ToolRun {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string err;  // what it wrote to standard error
};

ToolRun RunCfgtool(const std::vector<std::string>& args) {
  ScratchDir logs;  // standard error goes here, outside the folder under test
  const std::string errPath = logs.File("stderr");
  std::vector<std::string> all{CFG_CFGTOOL};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  ToolRun run;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  run.err = ReadFile(errPath);
  return run;
}

TEST_P(SaveFaultTest, CfgtoolExitsWith2AndKeepsThePreviousFile) {
  // apply's patch and merge's BASE and THEIRS, outside the folder under
  // test: BASE and THEIRS change pad[p0] two ways, so that the merge writes
  // its conflict with markers, a writer of its own.
  ScratchDir inputs;
  const std::string patch = inputs.File("patch.json");
  const std::string base = inputs.File("base.cfg");
  const std::string theirs = inputs.File("theirs.cfg");
  ASSERT_TRUE(WriteFile(patch, R"([{"op": "+", "path": "pad[added]", "type": "int", "old": null, "new": "1"}])"));
  const std::string pad = "(string)pad[p0]=" + std::string(100, 'o');
  const size_t at = previous_.find(pad);
  ASSERT_NE(at, std::string::npos);
  ASSERT_TRUE(WriteFile(base, std::string(previous_).replace(at, pad.size(), "(string)pad[p0]=x")));
  ASSERT_TRUE(WriteFile(theirs, std::string(previous_).replace(at, pad.size(), "(string)pad[p0]=y")));
  struct Command {
    std::vector<std::string> args;
    int savedStatus;  // the exit status when the file can be written
  };
  const Command commands[] = {
      // fmt first: the previous file is not in the saved form, so it changes.
      {{"fmt", "-i", target_}, 0},
      {{"set", target_, "sec/rec[v]", "int", "5"}, 0},
      {{"del", target_, "old[v]"}, 0},
      {{"apply", target_, patch}, 0},
      {{"merge", base, target_, theirs}, 1},
  };
  for (const Command& command : commands) {
    SCOPED_TRACE(command.args[0]);
    const std::map<std::string, std::string> before = Snapshot(folder_);
    const ToolRun run = RunCfgtool(command.args);
    const std::map<std::string, std::string> after = Snapshot(folder_);
    if (ExpectSaved()) {
      EXPECT_EQ(run.status, command.savedStatus) << run.err;
      // Only doc.cfg, rewritten; no temporary file beside it.
      EXPECT_EQ(after.size(), 1u);
      EXPECT_NE(after.at("doc.cfg"), before.at("doc.cfg"));
    } else {
      EXPECT_EQ(run.status, 2) << run.err;
      EXPECT_EQ(DescribeChanges(before_, after), "");
    }
  }
}
#endif

INSTANTIATE_TEST_SUITE_P(Faults, SaveFaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                           return std::string(info.param.name);
                         });

// A device cannot be replaced: it is written in place, and a write that fails
// there (no room left on /dev/full) is reported too.
TEST(SaveToDevice, FullDeviceReportsFailure) {
  cfg::Section doc(cfg::kFileSection, "/dev/full");
  FillDocument(doc);
  EXPECT_EQ(doc.Save(), 0);

  cfg::Section small(cfg::kFileSection, "/dev/full");
  cfgtest::AddValue(&small, "a", 1);  // a few bytes: the failure shows only when they are flushed
  EXPECT_EQ(small.Save(), 0);

  cfg::Section null(cfg::kFileSection, "/dev/null");
  FillDocument(null);
  EXPECT_EQ(null.Save(), 1);
}

}  // namespace
}  // namespace hardening
