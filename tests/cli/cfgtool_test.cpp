// cfgtool as a user runs it: the real program, its output, its files, its
// exit status.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "cfg_version.h"
#include "cfgtool_runner.h"
#include "config/config_stream.h"

namespace {

using cfgtool_test::RunResult;
using cfgtool_test::ScratchDir;

// A file in the written layout, with every type, a nested section and a
// byte array.
const char kSample[] =
    "(int)window[width]=640\n"
    "(float)window[scale]=1.500000\n"
    "(string)window[title]=Main view\n"
    "{ paths:\n"
    "    (string)cache=C:\\temp\n"
    "    (double)cache[limit]=0.25\n"
    "    { fonts:\n"
    "        (int)size=12\n"
    "    } fonts;\n"
    "    [ key[data]:\n"
    "    A\n"
    "    FF\n"
    "    0\n"
    "    ] key[data];\n"
    "} paths;\n"
    "(int64)counter[total]=5000000000\n";

class CfgtoolTest : public ::testing::Test {
 protected:
  ScratchDir dir_;
};

// ---------------------------------------------------------------- fmt

TEST_F(CfgtoolTest, FmtWritesWhatSaveWrites) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"written layout stays", kSample, kSample},
      {"reader's other forms become the written layout",
       "; comment\n\n  (INT)a[x]=0x10\n\t(int)a[y]=010\n{ s :note\n(int64)b=+7\n} S ;tail\n",
       "(int)a[x]=16\n(int)a[y]=8\n{ s :\n    (int64)b=7\n} s ;\n"},
      {"line ends with carriage returns", "{ s:\r\n(int)a=1\r\n} s;\r\n", "{ s:\n    (int)a=1\n} s;\n"},
      {"blocks of one name merge, first value of a name wins",
       "{ b:\n(int)x[v]=1\n} b;\n{ B:\n(int)X[V]=2\n(int)y=3\n} B;\n",
       "{ b:\n    (int)x[v]=1\n    (int)y=3\n} b;\n"},
      {"empty file", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("in.cfg", c.input);
    RunResult r = dir_.Run({"fmt", "in.cfg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.expected);
    EXPECT_EQ(r.err, "");
    RunResult piped = dir_.Run({"fmt", "-"}, c.input);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, c.expected);
  }
}

TEST_F(CfgtoolTest, FmtInPlaceRewritesEachFileAndPrintsNothing) {
  dir_.Write("a.cfg", "  (int)x=0x10\n");
  dir_.Write("b.cfg", "{ s:\n(string)t=hi\n");
  RunResult r = dir_.Run({"fmt", "-i", "a.cfg", "b.cfg"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(dir_.Read("a.cfg"), "(int)x=16\n");
  EXPECT_EQ(dir_.Read("b.cfg"), "{ s:\n    (string)t=hi\n} s;\n");
}

TEST_F(CfgtoolTest, FmtOfSeveralFilesGoesOnAfterAMissingOne) {
  dir_.Write("a.cfg", "(int)x=1\n");
  RunResult r = dir_.Run({"fmt", "missing.cfg", "a.cfg"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "(int)x=1\n");
  EXPECT_EQ(r.err.rfind("cfgtool: missing.cfg: can not open", 0), 0u) << r.err;
}

// ---------------------------------------------------------------- check

TEST_F(CfgtoolTest, CheckNamesEveryLineThatLoadingSkipsOrDrops) {
  using cfg::DescribeLineIssue;
  using cfg::LineIssue;
  struct Case {
    const char* name;
    std::string input;
    std::string expected;  // "F:" stands before every line
  };
  auto issue = [](int line, LineIssue what) {
    return "F:" + std::to_string(line) + ": " + DescribeLineIssue(what) + "\n";
  };
  const Case cases[] = {
      {"malformed value line", "; ok\n(int)a\n", issue(2, LineIssue::MalformedValue)},
      {"unknown type keyword", "(integer)a=1\n", issue(1, LineIssue::UnknownType)},
      {"no number", "(int)a=xyz\n(double)b=   \n", issue(1, LineIssue::NoNumber) + issue(2, LineIssue::NoNumber)},
      {"opening line without blank", "{s:\n", issue(1, LineIssue::NoBlankAfterBracket)},
      {"opening line without name", "\n{ :\n", issue(2, LineIssue::NoName)},
      {"closing line with nothing open", "} s;\n", issue(1, LineIssue::CloseWithoutOpen)},
      {"closing line of another section", "{ s:\n} t;\n} s;\n", issue(2, LineIssue::CloseMismatch)},
      {"byte-order mark", "\xEF\xBB\xBF(int)a=1\n(int)b=2\n", issue(1, LineIssue::ByteOrderMark)},
      {"other line", "hello\n", issue(1, LineIssue::Unrecognised)},
      {"conflict markers, indented or not, with a label or not",
       "<<<<<<< ours\n(int)r[v]=1\n  |||||||\n=======\n(int)r[v]=2\n>>>>>>> theirs\n=======x\n<<<<<<\n",
       issue(1, LineIssue::ConflictMarker) + issue(3, LineIssue::ConflictMarker) + issue(4, LineIssue::ConflictMarker) +
           "F:5: value \"r[v]\" dropped: its name is taken in its record\n" + issue(6, LineIssue::ConflictMarker) +
           issue(7, LineIssue::Unrecognised) + issue(8, LineIssue::Unrecognised)},
      {"value name taken", "(int)r[v]=1\n(int)R[V]=2\n", "F:2: value \"R[V]\" dropped: its name is taken in its record\n"},
      {"record name of a section", "{ s:\n} s;\n(int)s=1\n[ s[k]:\n1\n] s[k];\n",
       "F:3: value \"s\" dropped: its record name belongs to a section\n"
       "F:4: value \"s[k]\" dropped: its record name belongs to a section\n"},
      {"section name of a record", "(int)r=1\n{ r:\n} r;\n", "F:2: section \"r\" not entered: its name belongs to a record\n"},
      {"array without lines", "[ k:\n] k;\n", "F:1: array \"k\" dropped: it has no lines\n"},
      {"section still open", "{ s:\n(int)a=1\n", "F:1: section \"s\" still open at the end of the file\n"},
      {"array still open", "[ k:\n1\n", "F:1: array \"k\" still open at the end of the file\n"},
      {"byte line without a byte", "[ k:\n1\n; note\n2\n] k;\n",
       "F:3: line in array \"k\" holds no byte but counts in the array's length\n"},
      {"section name that does not survive", "{ a;b:\n",
       "F:1: section \"a;b\" still open at the end of the file\n"
       "F:1: section name \"a;b\" will not survive a save: it holds \";\"\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("F", c.input);
    RunResult r = dir_.Run({"check", "F"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, c.expected);
  }
}

TEST_F(CfgtoolTest, CheckOfCleanFilesPrintsNothing) {
  dir_.Write("a.cfg", kSample);
  dir_.Write("b.cfg", "; only a comment\n\n   \n");
  RunResult r = dir_.Run({"check", "a.cfg", "b.cfg", "-"}, "(int)x=1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_F(CfgtoolTest, CheckNamesEachFileAndStandardInput) {
  dir_.Write("good.cfg", kSample);
  dir_.Write("bad.cfg", "(int)a=1\n(int)b\n");
  RunResult r = dir_.Run({"check", "good.cfg", "bad.cfg", "-"}, "hello\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "bad.cfg:2: " + std::string(cfg::DescribeLineIssue(cfg::LineIssue::MalformedValue)) + "\n" +
                       "<stdin>:1: " + cfg::DescribeLineIssue(cfg::LineIssue::Unrecognised) + "\n");
}

// A line that a carriage return or a NUL ends early for the reader is lost in
// part or whole, though a viewer may show it; a carriage return inside a
// value line's name is kept, and a line end of CR LF loses nothing.
TEST_F(CfgtoolTest, CheckNamesLinesCutShortByACarriageReturnOrNulAndOnlyThose) {
  const std::string hidden = ": text behind a carriage return or NUL byte is not read\n";
  struct Case {
    const char* name;
    std::string input;
    std::string expected;  // "F:" stands before every line
  };
  const Case cases[] = {
      {"value line behind a carriage return", "\r(int)x=1\n", "F:1" + hidden},
      {"value line behind blanks and a NUL", std::string("(int)a=1\n  \0(int)y=1\n", 21), "F:2" + hidden},
      {"value text cut by a carriage return", "(string)s=ab\rcd\n", "F:1" + hidden},
      {"value text cut by a NUL", std::string("(string)s=ab\0cd\n", 16), "F:1" + hidden},
      {"section name cut by a carriage return", "{ s\rX:\n(int)a=1\n} s;\n", "F:1" + hidden},
      {"line behind a comment's carriage return", "; note\r(int)z=1\n", "F:1" + hidden},
      {"unrecognised line: one finding", "hello\rworld\n",
       "F:1: " + std::string(cfg::DescribeLineIssue(cfg::LineIssue::Unrecognised)) + "\n"},
      {"carriage return in a record name", "(int)x\r=5\n", ""},
      {"carriage return in a value name", "(int)r[\r]=1\n", ""},
      {"CR LF line ends", "(int)a=1\r\n; note\r\n{ s:\r\n} s;\r\n\r\n", ""},
      {"NUL before the line end", std::string("(int)a=1\0\n", 10), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("F", c.input);
    RunResult r = dir_.Run({"check", "F"});
    EXPECT_EQ(r.status, c.expected.empty() ? 0 : 1) << r.err;
    EXPECT_EQ(r.out, c.expected);
  }
}

// ---------------------------------------------------------------- get

TEST_F(CfgtoolTest, GetPrintsOneValueAsAValueLineHoldsIt) {
  dir_.Write("a.cfg", kSample +
                          std::string("{ a/b:\n(int)r=1\n(int)r=2\n(int)r[n]=3\n} a/b;\n"
                                      "(float)f[tenth]=0.1\n(double)d[third]=0.333333333333333\n"));
  struct Case {
    const char* path;
    const char* out;
  };
  const Case cases[] = {
      {"window[width]", "640\n"},
      {"WINDOW[Width]", "640\n"},  // names match ignoring case
      {"window[scale]", "1.500000\n"},
      {"window[title]", "Main view\n"},
      {"paths/cache", "C:\\temp\n"},
      {"paths/cache[]", "C:\\temp\n"},
      {"paths/cache[limit]", "0.25\n"},
      {"paths/fonts/size", "12\n"},
      {"paths/key[data]", "A FF 0\n"},
      {"counter[total]", "5000000000\n"},
      {"a\\/b/r", "1\n"},  // the first of several unnamed values
      {"a\\/b/r[n]", "3\n"},
      {"f[tenth]", "0.100000\n"},
      {"d[third]", "0.333333333333333\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    RunResult r = dir_.Run({"get", "a.cfg", c.path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
  RunResult piped = dir_.Run({"get", "-", "s/r[v]"}, "{ s:\n(string)r[v]=  two blanks\n} s;\n");
  EXPECT_EQ(piped.out, "  two blanks\n");
}

TEST_F(CfgtoolTest, GetReportsWhatIsMissingOrOfTheOtherKind) {
  dir_.Write("a.cfg", kSample);
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* err;
  };
  const Case cases[] = {
      {{"get", "a.cfg", "nope/x"}, 1, "cfgtool: a.cfg: nope/x: no section \"nope\"\n"},
      {{"get", "a.cfg", "paths/nope"}, 1, "cfgtool: a.cfg: paths/nope: no record \"nope\"\n"},
      {{"get", "a.cfg", "window[depth]"}, 1, "cfgtool: a.cfg: window[depth]: no value \"depth\" in record \"window\"\n"},
      {{"get", "a.cfg", "window"}, 1, "cfgtool: a.cfg: window: no unnamed value in record \"window\"\n"},
      {{"get", "a.cfg", "paths[x]"}, 2, "cfgtool: a.cfg: paths[x]: \"paths\" is a section, not a record\n"},
      {{"get", "a.cfg", "window/x"}, 2, "cfgtool: a.cfg: window/x: \"window\" is a record, not a section\n"},
      {{"get", "a.cfg", "paths/"}, 2, "cfgtool: a.cfg: paths/: names a section; get needs a value\n"},
      {{"get", "a.cfg", "a//b"}, 2, "cfgtool: a.cfg: bad path \"a//b\": empty section name\n"},
      {{"get", "missing.cfg", "x"}, 2, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[2]);
    RunResult r = dir_.Run(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    if (c.err) EXPECT_EQ(r.err, c.err);
    else EXPECT_EQ(r.err.rfind("cfgtool: missing.cfg: ", 0), 0u) << r.err;
  }
}

// ---------------------------------------------------------------- set

TEST_F(CfgtoolTest, SetCreatesOrReplacesOneValue) {
  struct Case {
    const char* name;
    std::string before;
    std::vector<std::string> args;  // after "set F"
    std::string after;
  };
  const Case cases[] = {
      {"replace keeps the slot", "(int)r[a]=1\n(int)r[b]=2\n(int)r[c]=3\n", {"R[B]", "string", "two"},
       "(int)r[a]=1\n(string)r[b]=two\n(int)r[c]=3\n"},
      {"new value goes last", "(int)r[a]=1\n", {"r[b]", "int64", "-9223372036854775808"},
       "(int)r[a]=1\n(int64)r[b]=-9223372036854775808\n"},
      {"unnamed value replaced, first of several", "(int)r=1\n(int)r=2\n", {"r", "int", "0x10"},
       "(int)r=16\n(int)r=2\n"},
      {"sections and record created on the way", "(int)x=1\n", {"a/b/r[v]", "double", "2.5"},
       "(int)x=1\n{ a:\n    { b:\n        (double)r[v]=2.5\n    } b;\n} a;\n"},
      {"bytes in the reader's syntax", "", {"k[d]", "bytes", "0a 0xff 1FF 0"},
       "[ k[d]:\nA\nFF\nFF\n0\n] k[d];\n"},
      {"float as the writer writes it", "", {"f", "float", "0.1"}, "(float)f=0.100000\n"},
      {"negative number as text", "", {"n", "int", "-5"}, "(int)n=-5\n"},
      {"escaped slash in a section name", "", {"a\\/b/r", "string", "x y"}, "{ a/b:\n    (string)r=x y\n} a/b;\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("F.cfg", c.before);
    std::vector<std::string> args{"set", "F.cfg"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = dir_.Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir_.Read("F.cfg"), c.after);
  }
}

TEST_F(CfgtoolTest, SetCreatesAMissingFile) {
  RunResult r = dir_.Run({"set", "new.cfg", "s/r[v]", "int", "7"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir_.Read("new.cfg"), "{ s:\n    (int)r[v]=7\n} s;\n");
}

TEST_F(CfgtoolTest, SetRefusesBadTextAndClashesAndWritesNothing) {
  const std::string before = "(int)r[a]=1\n{ s:\n} s;\n";
  struct Case {
    std::vector<std::string> args;  // after "set F.cfg"
    const char* err;
  };
  const Case cases[] = {
      {{"r[a]", "int", "12abc"}, "cfgtool: F.cfg: int \"12abc\": not an integer\n"},
      {{"r[a]", "int", "2147483648"}, "cfgtool: F.cfg: int \"2147483648\": out of the range of a 32-bit integer\n"},
      {{"r[a]", "int", "08"}, "cfgtool: F.cfg: int \"08\": not an integer\n"},
      {{"r[a]", "int64", "9223372036854775808"},
       "cfgtool: F.cfg: int64 \"9223372036854775808\": out of the range of a 64-bit integer\n"},
      {{"r[a]", "float", "1e39"}, "cfgtool: F.cfg: float \"1e39\": out of the range of a float\n"},
      {{"r[a]", "double", "abc"}, "cfgtool: F.cfg: double \"abc\": not a floating-point number\n"},
      {{"r[a]", "bytes", "1 zz"}, "cfgtool: F.cfg: bytes \"1 zz\": \"zz\" is not a hexadecimal byte\n"},
      {{"r[a]", "bytes", " "}, "cfgtool: F.cfg: r[a]: the byte array is empty\n"},
      {{"r[a]", "string", "a\nb"}, "cfgtool: F.cfg: r[a]: the string holds a line break\n"},
      {{"r[a]", "text", "x"}, "cfgtool: F.cfg: unknown type \"text\" (int, float, string, double, int64 or bytes)\n"},
      {{"s[x]", "int", "1"}, "cfgtool: F.cfg: s[x]: \"s\" is a section, not a record\n"},
      {{"r/x", "int", "1"}, "cfgtool: F.cfg: r/x: \"r\" is a record, not a section\n"},
      {{"s/", "int", "1"}, "cfgtool: F.cfg: s/: names a section; set needs a value\n"},
      {{"a;b/r", "int", "1"}, "cfgtool: F.cfg: a;b/r: section name \"a;b\" would not survive a save: it holds \";\"\n"},
      {{"r[x=y]", "int", "1"}, "cfgtool: F.cfg: r[x=y]: the value name holds \"=\"\n"},
      {{"k;x[d]", "bytes", "1"}, "cfgtool: F.cfg: k;x[d]: the record name holds \";\"\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2]);
    dir_.Write("F.cfg", before);
    std::vector<std::string> args{"set", "F.cfg"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = dir_.Run(args);
    EXPECT_EQ(r.status, 2);
    if (c.err) EXPECT_EQ(r.err, c.err);
    else EXPECT_EQ(r.err.rfind("cfgtool: F.cfg: ", 0), 0u) << r.err;
    EXPECT_EQ(dir_.Read("F.cfg"), before);
  }
}

TEST_F(CfgtoolTest, SetReportsAFileThatCanNotBeWritten) {
  RunResult r = dir_.Run({"set", "no-such-folder/x.cfg", "r", "int", "1"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "cfgtool: no-such-folder/x.cfg: can not create the lock file no-such-folder/x.cfg.lock: "
                   "No such file or directory\n");
}

// A name read from a file can be one that a save changes ("a;b" closes as
// "a", and the blocks after it nest inside it): a rewrite refuses to carry
// it and leaves the file alone, until the item is deleted or renamed.
TEST_F(CfgtoolTest, RewritesRefuseNamesASaveWouldChange) {
  const std::string before = "(int)r[a]=1\n{ s-;x:\n} s;\n";
  const std::vector<std::vector<std::string>> rewrites = {
      {"set", "F.cfg", "s/r[v]", "int", "0"}, {"del", "F.cfg", "r[a]"}, {"fmt", "-i", "F.cfg"}};
  for (const std::vector<std::string>& args : rewrites) {
    SCOPED_TRACE(args[0]);
    dir_.Write("F.cfg", before);
    RunResult r = dir_.Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "cfgtool: F.cfg: s-;x/: this name would not survive a save (it holds \";\"); "
                     "the file is left as it was\n");
    EXPECT_EQ(dir_.Read("F.cfg"), before);
  }
  RunResult fixed = dir_.Run({"del", "F.cfg", "s-;x/"});
  EXPECT_EQ(fixed.status, 0) << fixed.err;
  EXPECT_EQ(dir_.Read("F.cfg"), "(int)r[a]=1\n");
}

// ---------------------------------------------------------------- writers at once

#ifndef _WIN32
// Many writers of one file started at once, as a script would: each takes
// the file's writer lock in turn, so every value a writer reported as set
// is in the file, and one that gave up says so.
TEST_F(CfgtoolTest, ParallelWritersLoseNothing) {
  constexpr int kWriters = 40;
  dir_.Write("F.cfg", "(int)seed=1\n");
  std::string script = "cd '" + dir_.Path() + "' && for i in $(seq 1 " + std::to_string(kWriters) + "); do ('" +
                       CFGTOOL_PATH + "' set F.cfg \"r[v$i]\" int $i 2>err$i; echo $? >status$i) & done; wait";
  ASSERT_EQ(std::system(script.c_str()), 0);
  const std::string file = dir_.Read("F.cfg");
  int set = 0;
  for (int i = 1; i <= kWriters; ++i) {
    SCOPED_TRACE("writer " + std::to_string(i));
    const std::string line = "(int)r[v" + std::to_string(i) + "]=" + std::to_string(i) + "\n";
    if (dir_.Read("status" + std::to_string(i)) == "0\n") {
      ++set;
      EXPECT_NE(file.find(line), std::string::npos);
      EXPECT_EQ(dir_.Read("err" + std::to_string(i)), "");
    } else {
      EXPECT_EQ(dir_.Read("err" + std::to_string(i)), "cfgtool: F.cfg: locked by another writer\n");
    }
  }
  EXPECT_GT(set, 0);
  EXPECT_NE(file.find("(int)seed=1\n"), std::string::npos);
  EXPECT_FALSE(dir_.Exists("F.cfg.lock"));
}
#endif

// A writer waits while the lock file is there, and gives up after its bound
// without touching the file or the lock that is not its own.
TEST_F(CfgtoolTest, WritersWaitForTheLockAndThenGiveUp) {
  const std::string before = "(int)r[a]=1\n";
  const std::vector<std::vector<std::string>> writers = {
      {"set", "F.cfg", "r[a]", "int", "2"}, {"del", "F.cfg", "r[a]"}, {"fmt", "-i", "F.cfg"}};
  for (const std::vector<std::string>& args : writers) {
    SCOPED_TRACE(args[0]);
    dir_.Write("F.cfg", before);
    dir_.Write("F.cfg.lock", "");
    std::thread release([this] {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      std::filesystem::remove(std::filesystem::path(dir_.Path()) / "F.cfg.lock");
    });
    RunResult waited = dir_.Run(args);
    release.join();
    EXPECT_EQ(waited.status, 0) << waited.err;
    EXPECT_FALSE(dir_.Exists("F.cfg.lock"));
  }
  dir_.Write("F.cfg", before);
  dir_.Write("F.cfg.lock", "");
  RunResult refused = dir_.Run(writers[0]);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "cfgtool: F.cfg: locked by another writer\n");
  EXPECT_EQ(dir_.Read("F.cfg"), before);
  EXPECT_TRUE(dir_.Exists("F.cfg.lock"));
}

// ---------------------------------------------------------------- del

TEST_F(CfgtoolTest, DelRemovesAValueARecordOrASection) {
  const std::string before =
      "(int)r[a]=1\n(int)r=2\n(int)r[b]=3\n{ s:\n    (int)x=1\n    { t:\n        (int)y=2\n    } t;\n} s;\n(int)q=4\n";
  struct Case {
    const char* path;
    std::string after;
  };
  const Case cases[] = {
      {"r[A]", "(int)r=2\n(int)r[b]=3\n{ s:\n    (int)x=1\n    { t:\n        (int)y=2\n    } t;\n} s;\n(int)q=4\n"},
      {"r[]", "(int)r[a]=1\n(int)r[b]=3\n{ s:\n    (int)x=1\n    { t:\n        (int)y=2\n    } t;\n} s;\n(int)q=4\n"},
      {"r", "{ s:\n    (int)x=1\n    { t:\n        (int)y=2\n    } t;\n} s;\n(int)q=4\n"},
      {"s/t/", "(int)r[a]=1\n(int)r=2\n(int)r[b]=3\n{ s:\n    (int)x=1\n} s;\n(int)q=4\n"},
      {"S/", "(int)r[a]=1\n(int)r=2\n(int)r[b]=3\n(int)q=4\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    dir_.Write("F.cfg", before);
    RunResult r = dir_.Run({"del", "F.cfg", c.path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir_.Read("F.cfg"), c.after);
  }
  dir_.Write("F.cfg", before);
  RunResult missing = dir_.Run({"del", "F.cfg", "s/t/z"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "cfgtool: F.cfg: s/t/z: no record \"z\"\n");
  RunResult clash = dir_.Run({"del", "F.cfg", "q/"});
  EXPECT_EQ(clash.status, 2);
  EXPECT_EQ(clash.err, "cfgtool: F.cfg: q/: \"q\" is a record, not a section\n");
  EXPECT_EQ(dir_.Read("F.cfg"), before);
}

// ---------------------------------------------------------------- dump

TEST_F(CfgtoolTest, DumpPrintsAnOutline) {
  dir_.Write("a.cfg", kSample);
  RunResult r = dir_.Run({"dump", "a.cfg"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "window\n"
            "  [width] (int) = 640\n"
            "  [scale] (float) = 1.500000\n"
            "  [title] (string) = Main view\n"
            "paths/\n"
            "  cache\n"
            "    (string) = C:\\temp\n"
            "    [limit] (double) = 0.25\n"
            "  fonts/\n"
            "    size\n"
            "      (int) = 12\n"
            "  key\n"
            "    [data] (bytes) = A FF 0\n"
            "counter\n"
            "  [total] (int64) = 5000000000\n");
}

TEST_F(CfgtoolTest, DumpJsonPrintsTheDocumentForm) {
  RunResult r = dir_.Run({"dump", "--json", "-"},
                         "(int)r[i]=-1\n(float)r[f]=0.1\n(double)r[d]=inf\n(int64)r[l]=9223372036854775807\n"
                         "(string)r=say \"hi\"\n[ r[b]:\n0\nA\nFF\n] r[b];\n{ s:\n} s;\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\n"
            "  \"file\": \"-\",\n"
            "  \"children\": [\n"
            "    {\n"
            "      \"record\": \"r\",\n"
            "      \"values\": [\n"
            "        {\"name\": \"i\", \"type\": \"int\", \"value\": -1},\n"
            "        {\"name\": \"f\", \"type\": \"float\", \"value\": 0.1},\n"
            "        {\"name\": \"d\", \"type\": \"double\", \"value\": \"inf\"},\n"
            "        {\"name\": \"l\", \"type\": \"int64\", \"value\": 9223372036854775807},\n"
            "        {\"name\": null, \"type\": \"string\", \"value\": \"say \\\"hi\\\"\"},\n"
            "        {\"name\": \"b\", \"type\": \"bytes\", \"value\": \"000AFF\"}\n"
            "      ]\n"
            "    },\n"
            "    {\n"
            "      \"section\": \"s\",\n"
            "      \"children\": []\n"
            "    }\n"
            "  ]\n"
            "}\n");
}

// ---------------------------------------------------------------- JSON round trip

TEST_F(CfgtoolTest, FromJsonOfDumpJsonGivesWhatFmtGives) {
  struct Case {
    const char* name;
    std::string input;
  };
  const Case cases[] = {
      {"sample", kSample},
      {"floats that need every digit",
       "(float)f[a]=0.1\n(float)f[b]=3.4028235e38\n(float)f[c]=1e-45\n(float)f[d]=-0\n(float)f[e]=16777217\n"
       "(float)f[g]=-inf\n(float)f[h]=nan\n(float)f[i]=0.3333333\n"},
      {"doubles that need every digit",
       "(double)d[a]=0.1\n(double)d[b]=1.7976931348623157e308\n(double)d[c]=4.9e-324\n(double)d[e]=-0.0\n"
       "(double)d[f]=0.30000000000000004\n(double)d[g]=inf\n"},
      {"integer limits",
       "(int)i[a]=-2147483648\n(int)i[b]=2147483647\n(int64)i[c]=-9223372036854775808\n(int64)i[d]=9223372036854775807\n"},
      {"bytes and texts that are not UTF-8",
       "(string)t[latin]=caf\xE9\n(string)t[utf8]=caf\xC3\xA9\n(string)t[ctl]=a\tb\\c\"d\n(string)n\xFF[v\xFE]=x\n"
       "[ k:\n0\n80\nFF\n] k;\n"},
      {"deep and unnamed", "{ a:\n{ b:\n{ c:\n(int)r=1\n(int)r=2\n} c;\n} b;\n} a;\n{ e:\n} e;\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("F.cfg", c.input);
    RunResult fmt = dir_.Run({"fmt", "F.cfg"});
    RunResult json = dir_.Run({"dump", "--json", "F.cfg"});
    ASSERT_EQ(json.status, 0) << json.err;
    RunResult back = dir_.Run({"from-json", "-"}, json.out);
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, fmt.out);
    RunResult toFile = dir_.Run({"from-json", "-o", "G.cfg", "-"}, json.out);
    EXPECT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(dir_.Read("G.cfg"), fmt.out);
  }
}

TEST_F(CfgtoolTest, FromJsonTakesKeysInAnyOrderAndPlainNumbers) {
  RunResult r = dir_.Run({"from-json", "-"},
                         R"({"children": [{"children": [{"values": [{"value": 2, "type": "float", "name": "x"},
                             {"type": "double", "value": 1e-1}], "record": "r"}], "section": "s"}], "file": null})");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "{ s:\n    (float)r[x]=2.000000\n    (double)r=0.1\n} s;\n");
}

TEST_F(CfgtoolTest, FromJsonRefusesWhatIsNotTheDocumentForm) {
  struct Case {
    const char* json;
    const char* err;  // after "cfgtool: in.json: "
  };
  const Case cases[] = {
      {"[]", "the document must be a JSON object"},
      {"{\"children\": [}", nullptr},  // a syntax error, described by the parser
      {"{\"kids\": []}", "unknown key \"kids\""},
      {"{\"children\": [{\"section\": \"s\", \"values\": []}]}", "an object can not be both a section and a record (in s)"},
      {"{\"children\": [{\"record\": \"\"}]}", "\"record\" must be a non-empty string"},
      {"{\"children\": [{\"section\": \"a\"}, {\"record\": \"A\", \"values\": [{\"type\": \"int\", \"value\": 1}]}]}",
       "A: an earlier section has the same name (ASCII case ignored)"},
      {"{\"children\": [{\"record\": \"r\", \"values\": [{\"type\": \"int\", \"value\": 2147483648}]}]}",
       "the value is out of the range of type int (in r (record))"},
      {"{\"children\": [{\"record\": \"r\", \"values\": [{\"type\": \"int\", \"value\": 1.5}]}]}",
       "a value of type int must be an integer (in r (record))"},
      {"{\"children\": [{\"record\": \"r\", \"values\": [{\"type\": \"long\", \"value\": 1}]}]}",
       "unknown type \"long\" (in r (record))"},
      {"{\"children\": [{\"record\": \"r\", \"values\": [{\"name\": \"b\", \"type\": \"bytes\", \"value\": \"ABC\"}]}]}",
       "a value of type bytes must be a string of hexadecimal digit pairs (in r (record)[b])"},
      {"{\"children\": [{\"record\": \"r\", \"values\": [{\"type\": \"string\", \"value\": \"a\\nb\"}]}]}",
       "r[] (value 1): the string holds a line break"},
      {"{\"children\": [{\"record\": \"r\", \"values\": [{\"name\": \"x\", \"type\": \"int\", \"value\": 1},"
       " {\"name\": \"X\", \"type\": \"int\", \"value\": 2}]}]}",
       "r[X]: an earlier value has the same name (ASCII case ignored)"},
      {"{\"children\": [{\"record\": \"r\", \"values\": [{\"type\": \"int\"}]}]}", "a value needs \"value\" (in r (record))"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    dir_.Write("in.json", c.json);
    RunResult r = dir_.Run({"from-json", "-o", "out.cfg", "in.json"});
    EXPECT_EQ(r.status, 2);
    if (c.err) EXPECT_EQ(r.err, std::string("cfgtool: in.json: ") + c.err + "\n");
    else EXPECT_EQ(r.err.rfind("cfgtool: in.json: ", 0), 0u) << r.err;
    EXPECT_FALSE(dir_.Exists("out.cfg"));
  }
}

// Inputs of from-json and set that a save can not carry back (names the
// reader splits, empty records and arrays, names that clash) and one that it
// can (an empty string): every refusal names each fault's PATH and touches
// nothing, and what is taken reads back as given.
TEST_F(CfgtoolTest, WritersTakeOnlyWhatASaveCarriesBack) {
  const std::string one = R"({"type": "int", "value": 1})";
  auto record = [](const std::string& name, const std::string& values) {
    return R"({"record": ")" + name + R"(", "values": [)" + values + "]}";
  };
  auto tree = [](const std::string& children) { return R"({"file": null, "children": [)" + children + "]}"; };
  struct Case {
    const char* label;
    std::vector<std::string> args;
    std::string input;      // in.json for from-json; F.cfg's content before set
    int status;
    std::string err;        // after each "cfgtool: FILE: "
    const char* written;    // F.cfg afterwards; nullptr: no out.cfg was made
  };
  const Case cases[] = {
      {"a section named t:u", {"from-json", "-o", "out.cfg", "in.json"},
       tree(R"({"section": "t:u", "children": [)" + record("a", one) + "]}, " + record("after", one)), 2,
       "t:u/: it holds \":\"\n", nullptr},
      {"a record named ba1=c holding an unnamed double", {"from-json", "-o", "out.cfg", "in.json"},
       tree(record("ba1=c", R"({"name": null, "type": "double", "value": -3.5E+200})")), 2,
       "ba1=c: it holds \"=\"\n", nullptr},
      {"a record without values and an empty byte array", {"from-json", "-o", "out.cfg", "in.json"},
       tree(record("empty", "") + ", " + record("k", R"({"name": "d", "type": "bytes", "value": ""})")), 2,
       "empty: the record holds no values\n|k[d]: the byte array is empty\n", nullptr},
      {"names that differ in case, a record named like a sibling section", {"from-json", "-o", "out.cfg", "in.json"},
       tree(record("Name", one) + ", " + record("name", one) + R"(, {"section": "s", "children": []}, )" +
            record("S", one) + ", " +
            record("r", R"({"name": "A", "type": "int", "value": 1}, {"name": "a", "type": "int", "value": 2},
                           {"name": null, "type": "int", "value": 3}, {"name": "", "type": "int", "value": 4})")),
       2,
       "name: an earlier record has the same name (ASCII case ignored)\n"
       "|S: an earlier section has the same name (ASCII case ignored)\n"
       "|r[a]: an earlier value has the same name (ASCII case ignored)\n",
       nullptr},
      {"an empty string set", {"set", "F.cfg", "s/r[x]", "string", ""}, "(int)q=1\n", 0, "",
       "(int)q=1\n{ s:\n    (string)r[x]=\n} s;\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const bool fromJson = c.args[0] == "from-json";
    dir_.Write(fromJson ? "in.json" : "F.cfg", c.input);
    RunResult r = dir_.Run(c.args);
    EXPECT_EQ(r.status, c.status);
    std::string err;
    const std::string prefix = std::string("cfgtool: ") + (fromJson ? "in.json" : "F.cfg") + ": ";
    for (size_t start = 0; start < c.err.size();) {
      const size_t end = c.err.find('|', start);
      err += prefix + c.err.substr(start, end == std::string::npos ? std::string::npos : end - start);
      start = end == std::string::npos ? c.err.size() : end + 1;
    }
    EXPECT_EQ(r.err, err);
    if (fromJson) {
      EXPECT_EQ(dir_.Exists("out.cfg"), c.written != nullptr);
    } else {
      EXPECT_EQ(dir_.Read("F.cfg"), c.written);
      EXPECT_EQ(dir_.Run({"get", "F.cfg", "s/r[x]"}).out, "\n");
    }
  }

  // What from-json takes, dump --json gives back as it was: an empty string,
  // unnamed values (null or ""), a float at its own precision.
  const std::string taken = tree(record("r", R"({"name": null, "type": "string", "value": ""},
      {"name": "", "type": "float", "value": 0.1}, {"name": "x", "type": "double", "value": 0.1})"));
  dir_.Write("in.json", taken);
  RunResult made = dir_.Run({"from-json", "-o", "out.cfg", "in.json"});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(dir_.Run({"dump", "--json", "out.cfg"}).out,
            "{\n  \"file\": \"out.cfg\",\n  \"children\": [\n    {\n      \"record\": \"r\",\n      \"values\": [\n"
            "        {\"name\": null, \"type\": \"string\", \"value\": \"\"},\n"
            "        {\"name\": null, \"type\": \"float\", \"value\": 0.1},\n"
            "        {\"name\": \"x\", \"type\": \"double\", \"value\": 0.1}\n      ]\n    }\n  ]\n}\n");
}

#ifdef READ_FAULT_SHIM
// ---------------------------------------------------------------- read errors

// A file whose reading fails after its first MiB (see read_fault_shim.cpp) is
// never taken for the whole file: no command prints or writes what it read,
// and the file stays as it was. Sizes below and above the size from which
// loading reads on a second thread.
TEST_F(CfgtoolTest, AReadErrorPartwayStopsEveryCommand) {
  const long long kRecordsSmall = 120000, kRecordsLarge = 300000;
  std::string asan = "verify_asan_link_order=0";
  if (const char* options = std::getenv("ASAN_OPTIONS")) asan = std::string(options) + ":" + asan;
  const std::vector<std::string> faulty = {std::string("LD_PRELOAD=") + READ_FAULT_SHIM, "ASAN_OPTIONS=" + asan};
  const std::vector<std::vector<std::string>> commands = {
      {"fmt", "-i", "F.cfg"}, {"set", "F.cfg", "r1[v]", "int", "5"}, {"del", "F.cfg", "r1"},
      {"fmt", "F.cfg"},       {"get", "F.cfg", "r1[v]"},             {"dump", "F.cfg"},
      {"dump", "--json", "F.cfg"}, {"check", "F.cfg"},
  };
  for (long long records : {kRecordsSmall, kRecordsLarge}) {
    std::string text;
    for (long long i = 0; i < records; ++i) text += "(int)r" + std::to_string(i) + "[v]=" + std::to_string(i) + "\n";
    dir_.Write("F.cfg", text);
    for (const std::vector<std::string>& args : commands) {
      SCOPED_TRACE(std::to_string(records) + " records: " + args[0] + " " + args[1]);
      RunResult r = dir_.RunWith(faulty, args);
      EXPECT_EQ(r.status, 2);
      EXPECT_EQ(r.err, "cfgtool: F.cfg: read error\n");
      EXPECT_EQ(r.out, "");
      EXPECT_TRUE(dir_.Read("F.cfg") == text) << "the file changed";
    }
  }
}
#endif

// ---------------------------------------------------------------- deep documents

TEST_F(CfgtoolTest, DeepDocumentsNeitherCrashDumpNorJson) {
  const int depth = 1000000;
  std::string text;
  text.reserve(static_cast<size_t>(depth) * 10);
  for (int i = 0; i < depth; ++i) text += "{ a:\n";
  text += "(int)r=1\n";
  for (int i = 0; i < depth; ++i) text += "} a;\n";
  dir_.Write("deep.cfg", text);

  RunResult json = dir_.Run({"dump", "--json", "deep.cfg"});
  ASSERT_EQ(json.status, 0) << json.err;
  size_t sections = 0;
  for (size_t at = json.out.find("\"section\""); at != std::string::npos; at = json.out.find("\"section\"", at + 1))
    ++sections;
  EXPECT_EQ(sections, static_cast<size_t>(depth));

  // Reading it back builds the whole tree; a fault at the very bottom stops
  // it before anything is written.
  std::string broken = json.out;
  size_t value = broken.find("\"type\": \"int\"");
  ASSERT_NE(value, std::string::npos);
  broken.replace(value, 13, "\"type\": \"bad\"");
  dir_.Write("deep.json", broken);
  RunResult back = dir_.Run({"from-json", "-o", "out.cfg", "deep.json"});
  EXPECT_EQ(back.status, 2);
  EXPECT_EQ(back.err.rfind("cfgtool: deep.json: unknown type \"bad\"", 0), 0u) << back.err.substr(0, 200);

  // The outline's indentation stops growing, so its size stays linear.
  RunResult outline = dir_.Run({"dump", "deep.cfg"});
  EXPECT_EQ(outline.status, 0);
  size_t lines = 0, longest = 0, start = 0;
  for (size_t end = outline.out.find('\n'); end != std::string::npos; end = outline.out.find('\n', start)) {
    ++lines;
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  EXPECT_EQ(lines, static_cast<size_t>(depth) + 2);
  const std::string last = std::string(64, ' ') + "#1000001 (int) = 1\n";  // level shown past 32
  EXPECT_EQ(longest, last.size() - 1);
  ASSERT_GE(outline.out.size(), last.size());
  EXPECT_EQ(outline.out.substr(outline.out.size() - last.size()), last);
}

// ---------------------------------------------------------------- command line

TEST_F(CfgtoolTest, UsageErrorsAreOneLineWithStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"get", "a.cfg"},
      {"set", "a.cfg", "r", "int"},
      {"dump", "--xml", "a.cfg"},
      {"fmt", "-i", "-"},
      {"set", "-", "r", "int", "1"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.empty() ? "(none)" : args[0] + (args.size() > 1 ? " " + args[1] : ""));
    RunResult r = dir_.Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("cfgtool: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
}

TEST_F(CfgtoolTest, HelpOnEveryCommandAndVersion) {
  for (const char* command : {"fmt", "check", "get", "set", "del", "dump", "from-json"}) {
    SCOPED_TRACE(command);
    RunResult r = dir_.Run({command, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(command), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
  }
  RunResult help = dir_.Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("from-json"), std::string::npos);
  RunResult version = dir_.Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "cfgtool " CFG_VERSION "\n");
}

}  // namespace
