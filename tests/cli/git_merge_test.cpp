// cfgtool as git's merge driver and diff text converter, set up as the
// README says, in a real repository of the real git.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "cfgtool_runner.h"

namespace {

using cfgtool_test::ScratchDir;

#ifndef _WIN32

class GitMergeTest : public ::testing::Test {
 protected:
  // Runs a shell script in the repository; its exit status, with what it
  // printed (both streams) in *out.
  int Sh(const std::string& script, std::string* out = nullptr) {
    const std::string command = "cd '" + dir_.Path() + "' && { " + script + "; } 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
    const int status = pclose(pipe);
    if (out != nullptr) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // A repository whose main branch holds base as app.cfg, with branches
  // ours and theirs that change it to their texts; withDriver sets cfgtool
  // up as the README says.
  void MakeRepository(const std::string& base, const std::string& ours, const std::string& theirs, bool withDriver) {
    git_ = "git -c user.name=Test -c user.email=test@example.org -c init.defaultBranch=main";
    const std::string& git = git_;
    ASSERT_EQ(Sh(git + " init -q ."), 0);
    if (withDriver) {
      ASSERT_EQ(Sh(std::string("git config merge.cfgtool.driver '") + CFGTOOL_PATH + " merge %O %A %B'"), 0);
      ASSERT_EQ(Sh(std::string("git config diff.cfgtool.textconv '") + CFGTOOL_PATH + " dump'"), 0);
      dir_.Write(".gitattributes", "*.cfg merge=cfgtool diff=cfgtool\n");
    }
    dir_.Write("app.cfg", base);
    std::string out;
    ASSERT_EQ(Sh(git + " add -A && " + git + " commit -qm base", &out), 0) << out;
    ASSERT_EQ(Sh("git checkout -qb theirs", &out), 0) << out;
    dir_.Write("app.cfg", theirs);
    ASSERT_EQ(Sh(git + " commit -qam theirs && git checkout -q main && git checkout -qb ours", &out), 0) << out;
    dir_.Write("app.cfg", ours);
    ASSERT_EQ(Sh(git + " commit -qam ours", &out), 0) << out;
  }

  int Merge(std::string* out) { return Sh(git_ + " merge --no-edit theirs", out); }

  ScratchDir dir_;
  std::string git_;
};

// Neighbouring lines changed on each side, and a value appended on each.
const char kBase[] = "{ ui:\n    (int)win[width]=640\n    (int)win[height]=480\n} ui;\n";
const char kOurs[] = "{ ui:\n    (int)win[width]=800\n    (int)win[height]=480\n    (string)win[title]=Main\n} ui;\n";
const char kTheirs[] = "{ ui:\n    (int)win[width]=640\n    (int)win[height]=600\n    (int)win[x]=10\n} ui;\n";

TEST_F(GitMergeTest, NeighbouringEditsConflictLineByLine) {
  MakeRepository(kBase, kOurs, kTheirs, false);
  std::string out;
  EXPECT_NE(Merge(&out), 0) << out;
  EXPECT_NE(out.find("CONFLICT"), std::string::npos) << out;
}

TEST_F(GitMergeTest, NeighbouringEditsMergeThroughCfgtool) {
  MakeRepository(kBase, kOurs, kTheirs, true);
  std::string out;
  ASSERT_EQ(Merge(&out), 0) << out;
  EXPECT_EQ(dir_.Read("app.cfg"),
            "{ ui:\n    (int)win[width]=800\n    (int)win[height]=600\n    (string)win[title]=Main\n"
            "    (int)win[x]=10\n} ui;\n");
  // Diffs show the trees, as dump prints them.
  ASSERT_EQ(Sh("git diff HEAD~1 HEAD -- app.cfg", &out), 0) << out;
  EXPECT_NE(out.find("+    [x] (int) = 10"), std::string::npos) << out;
}

TEST_F(GitMergeTest, ATrueConflictIsReportedAsOne) {
  MakeRepository(kBase, kOurs, "{ ui:\n    (int)win[width]=1024\n    (int)win[height]=480\n} ui;\n", true);
  std::string out;
  EXPECT_NE(Merge(&out), 0) << out;
  EXPECT_NE(out.find("CONFLICT"), std::string::npos) << out;
  ASSERT_EQ(Sh("git diff --name-only --diff-filter=U", &out), 0);
  EXPECT_EQ(out, "app.cfg\n");
  EXPECT_EQ(dir_.Read("app.cfg"),
            "{ ui:\n<<<<<<< ours\n    (int)win[width]=800\n=======\n    (int)win[width]=1024\n>>>>>>> theirs\n"
            "    (int)win[height]=480\n    (string)win[title]=Main\n} ui;\n");
}

#endif

}  // namespace
