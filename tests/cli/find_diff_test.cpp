// cfgtool find and cfgtool diff as a user runs them: the real program, its
// output and its exit status.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cfgtool_runner.h"

namespace {

using cfgtool_test::RunResult;
using cfgtool_test::ScratchDir;

// Nested sections, unnamed values, a byte array, and a section whose name
// holds a slash.
const char kTree[] =
    "(string)server[host]=example.org\n"
    "(int)server[port]=8080\n"
    "{ net:\n"
    "    (double)timeout=2.5\n"
    "    { proxy:\n"
    "        (string)host=Proxy.example.org\n"
    "        (int)host[port]=3128\n"
    "        [ key[data]:\n"
    "        A\n"
    "        FF\n"
    "        ] key[data];\n"
    "    } proxy;\n"
    "    (float)rate[limit]=0.125000\n"
    "} net;\n"
    "{ a/b:\n"
    "    (int64)counter[total]=5000000000\n"
    "} a/b;\n";

class FindDiffTest : public ::testing::Test {
 protected:
  ScratchDir dir_;
};

// ---------------------------------------------------------------- find

TEST_F(FindDiffTest, FindPrintsEveryHitInDocumentOrder) {
  struct Case {
    const char* name;
    std::vector<std::string> args;  // before FILE: the options; after it: PATTERN
    int status;
    std::string expected;
  };
  const Case cases[] = {
      {"names and texts ignoring case", {"", "PROXY"}, 0,
       "net/proxy/\n"
       "net/proxy/host[]\tstring\tProxy.example.org\n"},
      {"sections, records, and values by their names or their texts", {"", "o"}, 0,
       "server[host]\tstring\texample.org\n"
       "server[port]\tint\t8080\n"
       "net/timeout\n"
       "net/proxy/\n"
       "net/proxy/host\n"
       "net/proxy/host[]\tstring\tProxy.example.org\n"
       "net/proxy/host[port]\tint\t3128\n"
       "a\\/b/counter\n"
       "a\\/b/counter[total]\tint64\t5000000000\n"},
      {"numbers as get prints them", {"", "0.125"}, 0, "net/rate[limit]\tfloat\t0.125000\n"},
      {"a byte array's text", {"", "a ff"}, 0, "net/proxy/key[data]\tbytes\tA FF\n"},
      {"an unnamed value", {"", "2.5"}, 0, "net/timeout[]\tdouble\t2.5\n"},
      {"a name with a slash", {"", "a/b"}, 0, "a\\/b/\n"},
      {"no hit", {"", "nowhere"}, 1, ""},
      {"case-sensitive", {"-s", "proxy"}, 0, "net/proxy/\n"},
      {"case-sensitive, the other case", {"-s", "Proxy"}, 0, "net/proxy/host[]\tstring\tProxy.example.org\n"},
      {"case-sensitive, no hit", {"-s", "PROXY"}, 1, ""},
      {"a regular expression", {"-r", "^[0-9]+$"}, 0,
       "server[port]\tint\t8080\n"
       "net/proxy/host[port]\tint\t3128\n"
       "a\\/b/counter[total]\tint64\t5000000000\n"},
      {"a regular expression's own syntax", {"-r", "e\\.org$"}, 0,
       "server[host]\tstring\texample.org\n"
       "net/proxy/host[]\tstring\tProxy.example.org\n"},
      {"a regular expression ignores case", {"-r", "^PROXY$"}, 0, "net/proxy/\n"},
      {"a regular expression with case", {"-r", "-s", "^PROXY$"}, 1, ""},
      {"JSON", {"--json", "host"}, 0,
       "[\n"
       "  {\"path\": \"server[host]\", \"kind\": \"value\", \"type\": \"string\", \"text\": \"example.org\"},\n"
       "  {\"path\": \"net/proxy/host\", \"kind\": \"record\", \"type\": null, \"text\": null}\n"
       "]\n"},
      {"JSON, no hit", {"--json", "nowhere"}, 1, "[]\n"},
  };
  dir_.Write("F.cfg", kTree);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"find"};
    for (size_t i = 0; i + 1 < c.args.size(); ++i)
      if (!c.args[i].empty()) args.push_back(c.args[i]);
    args.push_back("F.cfg");
    args.push_back(c.args.back());
    RunResult r = dir_.Run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, c.expected);
    EXPECT_EQ(r.err, "");
  }
  RunResult piped = dir_.Run({"find", "-", "a/b"}, kTree);
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out, "a\\/b/\n");
}

TEST_F(FindDiffTest, FindErrorsExitTwo) {
  dir_.Write("F.cfg", kTree);
  struct Case {
    std::vector<std::string> args;
    const char* error;
  };
  const Case cases[] = {
      {{"find", "missing.cfg", "x"}, "cfgtool: missing.cfg: can not open"},
      {{"find", "-r", "F.cfg", "(a"}, "cfgtool: bad regular expression \"(a\": "},
      {{"find", "F.cfg"}, "cfgtool: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    RunResult r = dir_.Run(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(c.error, 0), 0u) << r.err;
  }
}

TEST_F(FindDiffTest, ARegularExpressionSearchesLongTextsWithinTheStack) {
  // Backtracking would recurse once for every character "a+" takes.
  for (size_t length : {size_t{2000}, size_t{300000}}) {
    SCOPED_TRACE(length);
    const std::string text(length, 'a');
    dir_.Write("F.cfg", "(string)r[v]=" + text + "b\n");
    RunResult r = dir_.Run({"find", "-r", "F.cfg", "a+b$"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "r[v]\tstring\t" + text + "b\n");
  }
  RunResult backReference = dir_.Run({"find", "-r", "F.cfg", "(a)\\1"});
  EXPECT_EQ(backReference.status, 2);
  EXPECT_EQ(backReference.err.rfind("cfgtool: bad regular expression \"(a)\\1\": ", 0), 0u) << backReference.err;
}

// ---------------------------------------------------------------- diff

TEST_F(FindDiffTest, DiffReportsWhatChangedBetweenTheTrees) {
  struct Case {
    const char* name;
    std::string first;
    std::string second;
    int status;
    std::string expected;
  };
  const Case cases[] = {
      {"equal trees", kTree, kTree, 0, ""},
      {"empty files", "", "", 0, ""},
      {"reordered sections, records and values",
       "(int)a[x]=1\n(int)a[y]=2\n{ s:\n(int)r=1\n} s;\n{ t:\n} t;\n(string)b=z\n",
       "{ t:\n} t;\n(string)b=z\n{ s:\n(int)r=1\n} s;\n(int)a[y]=2\n(int)a[x]=1\n", 0, ""},
      {"numbers in another spelling, names in another case",
       "(int)r[a]=010\n(int)r[b]=0x10\n(float)r[c]=1.5\n(double)r[d]=2.5e-1\n(double)r[e]=nan\n"
       "(int64)r[f]=+7\n{ Net:\n(float)R[X]=-INF\n} Net;\n",
       "(int)R[A]=8\n(int)r[B]=16\n(float)r[c]=1.500000\n(double)r[d]=0.25\n(double)r[e]=-NaN\n"
       "(int64)r[f]=7\n{ net:\n(float)r[x]=-inf\n} net;\n",
       0, ""},
      {"a value changed", "{ s:\n(int)r[v]=1\n(string)r[w]=a\n} s;\n", "{ s:\n(int)r[v]=2\n(string)r[w]=a\n} s;\n", 1,
       "- s/r[v]\tint\t1\n+ s/r[v]\tint\t2\n"},
      {"a value of another type", "(int)r[v]=1\n", "(int64)r[v]=1\n", 1, "- r[v]\tint\t1\n+ r[v]\tint64\t1\n"},
      {"a value added and one removed", "(int)r[a]=1\n(int)r[b]=2\n", "(int)r[b]=2\n(bytes)r[c]=1\n[ r[c]:\n1\n] r[c];\n", 1,
       "- r[a]\tint\t1\n+ r[c]\tbytes\t1\n"},
      {"unnamed values by their order", "(int)r=1\n(int)r=2\n(int)r[n]=0\n", "(int)r[n]=0\n(int)r=1\n(int)r=3\n(int)r=4\n", 1,
       "- r[]\tint\t2\n+ r[]\tint\t3\n+ r[]\tint\t4\n"},
      {"a section removed, whatever it holds", "{ net:\n{ proxy:\n(int)p=1\n(int)q=2\n} proxy;\n(int)x=1\n} net;\n",
       "{ net:\n(int)x=1\n} net;\n", 1, "- net/proxy/\n"},
      {"a section added", "", "{ net:\n{ proxy:\n(int)p=1\n} proxy;\n} net;\n", 1, "+ net/\n"},
      {"a record added and one removed", "(int)a=1\n(int)a[b]=2\n(string)c=x\n", "(string)c=x\n(int)d=1\n", 1, "- a\n+ d\n"},
      {"a section where a record was", "{ x:\n(int)a=1\n} x;\n", "(int)x=1\n", 1, "- x/\n+ x\n"},
      {"names with slashes and brackets are escaped", "{ a/b:\n(int)r[x]=1\n} a/b;\n", "{ a/b:\n(int)r[x]=2\n} a/b;\n", 1,
       "- a\\/b/r[x]\tint\t1\n+ a\\/b/r[x]\tint\t2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("1.cfg", c.first);
    dir_.Write("2.cfg", c.second);
    RunResult r = dir_.Run({"diff", "1.cfg", "2.cfg"});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, c.expected);
    EXPECT_EQ(r.err, "");
    RunResult piped = dir_.Run({"diff", "1.cfg", "-"}, c.second);
    EXPECT_EQ(piped.status, c.status) << piped.err;
    EXPECT_EQ(piped.out, c.expected);
  }
}

TEST_F(FindDiffTest, DiffJsonIsACompletePatch) {
  dir_.Write("1.cfg",
             "(int)r[v]=1\n(int)r[w]=5\n{ old:\n(int)x=1\n{ in:\n} in;\n} old;\n(double)r[t]=1\n"
             "(int)u=1\n(int)u=2\n(int)u=3\n(string)gone[a]=z\n(int)gone=4\n");
  dir_.Write("2.cfg", "(int)r[v]=2\n(string)r[s]=new \"one\"\n(double)r[t]=1.0\n(int64)u=1\n");
  RunResult r = dir_.Run({"diff", "--json", "1.cfg", "2.cfg"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out,
            "[\n"
            "  {\"op\": \"~\", \"path\": \"r[v]\", \"type\": \"int\", \"old\": \"1\", \"new\": \"2\"},\n"
            "  {\"op\": \"-\", \"path\": \"r[w]\", \"type\": \"int\", \"old\": \"5\", \"new\": null},\n"
            "  {\"op\": \"+\", \"path\": \"r[s]\", \"type\": \"string\", \"old\": null, \"new\": \"new \\\"one\\\"\"},\n"
            "  {\"op\": \"-\", \"path\": \"old/\", \"type\": null, \"old\": null, \"new\": null, \"tree\": "
            "{\"section\": \"old\",\"children\": [{\"record\": \"x\",\"values\": "
            "[{\"name\": null, \"type\": \"int\", \"value\": 1}]},{\"section\": \"in\",\"children\": []}]}},\n"
            // A changed type is a removal and an addition at one place; the
            // removals of trailing unnamed values all free the same place.
            "  {\"op\": \"-\", \"path\": \"u[]\", \"type\": \"int\", \"old\": \"1\", \"new\": null, \"index\": 0},\n"
            "  {\"op\": \"+\", \"path\": \"u[]\", \"type\": \"int64\", \"old\": null, \"new\": \"1\", \"index\": 0},\n"
            "  {\"op\": \"-\", \"path\": \"u[]\", \"type\": \"int\", \"old\": \"2\", \"new\": null, \"index\": 1},\n"
            "  {\"op\": \"-\", \"path\": \"u[]\", \"type\": \"int\", \"old\": \"3\", \"new\": null, \"index\": 1},\n"
            "  {\"op\": \"-\", \"path\": \"gone\", \"type\": null, \"old\": null, \"new\": null, \"tree\": "
            "{\"record\": \"gone\",\"values\": [{\"name\": \"a\", \"type\": \"string\", \"value\": \"z\"},"
            "{\"name\": null, \"type\": \"int\", \"value\": 4}]}}\n"
            "]\n");
  RunResult equal = dir_.Run({"diff", "--json", "1.cfg", "1.cfg"});
  EXPECT_EQ(equal.status, 0);
  EXPECT_EQ(equal.out, "[]\n");
}

TEST_F(FindDiffTest, DiffErrorsExitTwo) {
  dir_.Write("1.cfg", "(int)r=1\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"diff", "1.cfg", "missing.cfg"}, {"diff", "missing.cfg", "1.cfg"}}) {
    SCOPED_TRACE(args[1] + " " + args[2]);
    RunResult r = dir_.Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("cfgtool: missing.cfg: can not open", 0), 0u) << r.err;
  }
  RunResult oneFile = dir_.Run({"diff", "1.cfg"});
  EXPECT_EQ(oneFile.status, 2);
  EXPECT_EQ(oneFile.err.rfind("cfgtool: ", 0), 0u) << oneFile.err;
}

TEST_F(FindDiffTest, HelpOfFindAndDiff) {
  for (const char* command : {"find", "diff"}) {
    SCOPED_TRACE(command);
    RunResult r = dir_.Run({command, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Exit status"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
  }
}

}  // namespace
