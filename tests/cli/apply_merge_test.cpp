// cfgtool apply and cfgtool merge as a user runs them: the real program, the
// files it leaves and its exit status.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cfgtool_runner.h"

namespace {

using cfgtool_test::RunResult;
using cfgtool_test::ScratchDir;

class ApplyMergeTest : public ::testing::Test {
 protected:
  ScratchDir dir_;
};

// ---------------------------------------------------------------- apply

const char kFile[] =
    "(int)win[width]=640\n"
    "(int)win[height]=480\n"
    "{ net:\n"
    "    (string)host=a.example.org\n"
    "    (int)host=010\n"
    "    { proxy:\n"
    "        (int)p[port]=3128\n"
    "    } proxy;\n"
    "} net;\n";

TEST_F(ApplyMergeTest, ApplyCarriesOutEveryEntryOrNone) {
  struct Case {
    const char* name;
    std::vector<std::string> options;  // before FILE
    std::string patch;
    int status;
    std::string file;  // FILE afterwards ("" for unchanged)
    std::string err;
  };
  const std::string unchanged;
  const Case cases[] = {
      {"a change, an addition and a removal", {},
       R"([{"op": "~", "path": "win[width]", "type": "int", "old": "640", "new": "800"},
           {"op": "+", "path": "win[depth]", "type": "string", "old": null, "new": "deep"},
           {"op": "-", "path": "net/proxy/", "type": null, "old": null, "new": null,
            "tree": {"section": "proxy", "children": [{"record": "p", "values": [{"name": "port", "type": "int", "value": 3128}]}]}}])",
       0,
       "(int)win[width]=800\n(int)win[height]=480\n(string)win[depth]=deep\n{ net:\n"
       "    (string)host=a.example.org\n    (int)host=8\n} net;\n",
       ""},
      {"names ignoring case, numbers by value, unnamed values by index", {},
       R"([{"op": "~", "path": "NET/HOST[]", "type": "int", "old": "8", "new": "9", "index": 1},
           {"op": "+", "path": "net/host[]", "type": "int", "old": null, "new": "7", "index": 0},
           {"op": "-", "path": "Win", "type": null, "old": null, "new": null,
            "tree": {"record": "win", "values": [{"name": "WIDTH", "type": "int", "value": 640},
                                                 {"name": "height", "type": "int", "value": 480}]}}])",
       0,
       "{ net:\n    (int)host=7\n    (string)host=a.example.org\n    (int)host=9\n"
       "    { proxy:\n        (int)p[port]=3128\n    } proxy;\n} net;\n",
       ""},
      {"in reverse", {"-R"},
       R"([{"op": "+", "path": "win[width]", "type": "int", "old": null, "new": "640"},
           {"op": "~", "path": "win[height]", "type": "int", "old": "1", "new": "480"},
           {"op": "+", "path": "net/", "type": null, "old": null, "new": null,
            "tree": {"section": "net", "children": [{"section": "proxy", "children": [{"record": "p", "values": [{"name": "port", "type": "int", "value": 3128}]}]},
                                                    {"record": "host", "values": [{"name": null, "type": "string", "value": "a.example.org"}, {"name": null, "type": "int", "value": 8}]}]}}])",
       0, "(int)win[height]=1\n", ""},
      {"each entry on what the earlier ones left", {},
       R"([{"op": "-", "path": "win[width]", "type": "int", "old": "640", "new": null},
           {"op": "+", "path": "win[width]", "type": "int64", "old": null, "new": "640"},
           {"op": "~", "path": "win[width]", "type": "int64", "old": "640", "new": "641"}])",
       0,
       "(int)win[height]=480\n(int64)win[width]=641\n{ net:\n    (string)host=a.example.org\n    (int)host=8\n"
       "    { proxy:\n        (int)p[port]=3128\n    } proxy;\n} net;\n",
       ""},
      {"every entry that does not fit is listed, nothing is written", {},
       R"([{"op": "~", "path": "win[width]", "type": "int", "old": "1", "new": "2"},
           {"op": "~", "path": "win[height]", "type": "int", "old": "480", "new": "600"},
           {"op": "+", "path": "net/host[]", "type": "int", "old": null, "new": "1", "index": 3},
           {"op": "+", "path": "net/proxy/", "type": null, "old": null, "new": null, "tree": {"section": "proxy", "children": []}},
           {"op": "-", "path": "net/proxy/", "type": null, "old": null, "new": null, "tree": {"section": "proxy", "children": []}},
           {"op": "-", "path": "win[width]", "type": "string", "old": "640", "new": null},
           {"op": "+", "path": "win[height]", "type": "int", "old": null, "new": "1"},
           {"op": "~", "path": "win[height]", "type": "int", "old": "600", "new": "480"},
           {"op": "-", "path": "nowhere/r[v]", "type": "int", "old": "1", "new": null},
           {"op": "-", "path": "net/host[]", "type": "int", "old": "8", "new": null, "index": 5}])",
       1, unchanged,
       "cfgtool: F.cfg: win[width]: holds int \"640\", not int \"1\"\n"
       "cfgtool: F.cfg: net/host[]: index 3 is past the record's 2 unnamed values\n"
       "cfgtool: F.cfg: net/proxy/: \"proxy\" is there already\n"
       "cfgtool: F.cfg: net/proxy/: section is not as the patch's tree holds it\n"
       "cfgtool: F.cfg: win[width]: holds int \"640\", not string \"640\"\n"
       "cfgtool: F.cfg: win[height]: the value is there already: int \"600\"\n"
       "cfgtool: F.cfg: nowhere/r[v]: no section \"nowhere\"\n"
       "cfgtool: F.cfg: net/host[]: no unnamed value at index 5 (the record has 2)\n"},
      {"not JSON", {}, "[{", 2, unchanged, "cfgtool: P.json: not valid JSON\n"},
      {"not a patch", {}, R"({"op": "+"})", 2, unchanged,
       "cfgtool: P.json: a patch is a JSON array, as diff --json prints it\n"},
      {"a whole node without its tree", {}, R"([{"op": "-", "path": "net/", "type": null, "old": null, "new": null}])", 2,
       unchanged,
       "cfgtool: P.json: entry 1: an entry of type null is a section or record removed or added whole, with its \"tree\" (net/)\n"},
      {"an unnamed value without its index", {}, R"([{"op": "+", "path": "r[]", "type": "int", "old": null, "new": "1"}])",
       2, unchanged, "cfgtool: P.json: entry 1: an unnamed value needs \"index\" (r[])\n"},
      {"a value that would not read back", {},
       R"([{"op": "+", "path": "r[v]", "type": "string", "old": null, "new": "two\nlines"}])", 2, unchanged,
       "cfgtool: P.json: r[v]: would not read back as it is: the string holds a line break\n"},
      {"a tree that would not read back", {},
       R"([{"op": "+", "path": "a;b/", "type": null, "old": null, "new": null, "tree": {"section": "a;b", "children": []}}])", 2,
       unchanged, ""},
      {"a name that would not read back, in reverse", {"-R"},
       R"([{"op": "-", "path": "r[a=b]", "type": "int", "old": "1", "new": null}])", 2, unchanged, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("F.cfg", kFile);
    dir_.Write("P.json", c.patch);
    std::vector<std::string> args{"apply"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"F.cfg", "P.json"});
    RunResult r = dir_.Run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir_.Read("F.cfg"), c.file.empty() ? std::string(kFile) : c.file);
    if (c.err.empty() && c.status == 2) EXPECT_EQ(r.err.rfind("cfgtool: P.json: ", 0), 0u) << r.err;
    else EXPECT_EQ(r.err, c.err);
  }
}

TEST_F(ApplyMergeTest, ApplyReadsThePatchFromStandardInputAndWritesElsewhere) {
  dir_.Write("F.cfg", "(int)r[v]=1\n");
  const std::string patch = R"([{"op": "~", "path": "r[v]", "type": "int", "old": "1", "new": "2"}])";
  RunResult toFile = dir_.Run({"apply", "-o", "out.cfg", "F.cfg", "-"}, patch);
  EXPECT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_EQ(dir_.Read("out.cfg"), "(int)r[v]=2\n");
  EXPECT_EQ(dir_.Read("F.cfg"), "(int)r[v]=1\n");
  RunResult toStdout = dir_.Run({"apply", "-o", "-", "-", "P.json"}, "(int)r[v]=1\n");
  EXPECT_EQ(toStdout.status, 2);  // P.json is missing
  dir_.Write("P.json", patch);
  toStdout = dir_.Run({"apply", "-o", "-", "-", "P.json"}, "(int)r[v]=1\n");
  EXPECT_EQ(toStdout.status, 0) << toStdout.err;
  EXPECT_EQ(toStdout.out, "(int)r[v]=2\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"apply", "-", "P.json"}, {"apply", "-o", "x.cfg", "-", "-"}, {"apply", "F.cfg"}}) {
    RunResult r = dir_.Run(args, "(int)r[v]=1\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("cfgtool: ", 0), 0u) << r.err;
  }
}

TEST_F(ApplyMergeTest, TreesOfAnyDepthApplyAndMergeWithoutRecursion) {
  constexpr int kDepth = 100000;
  std::string deep;
  for (int i = 0; i < kDepth; ++i) deep += "{ s:\n";
  deep += "(int)r=1\n";
  for (int i = 0; i < kDepth; ++i) deep += "} s;\n";
  dir_.Write("deep.cfg", deep);
  dir_.Write("empty.cfg", "");
  RunResult diff = dir_.Run({"diff", "--json", "empty.cfg", "deep.cfg"});
  ASSERT_EQ(diff.status, 1) << diff.err;
  dir_.Write("P.json", diff.out);
  RunResult r = dir_.Run({"apply", "-o", "X.cfg", "empty.cfg", "P.json"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir_.Run({"diff", "X.cfg", "deep.cfg"}).status, 0);
  r = dir_.Run({"apply", "-R", "-o", "Y.cfg", "deep.cfg", "P.json"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir_.Read("Y.cfg"), "");
  r = dir_.Run({"merge", "-o", "M.cfg", "empty.cfg", "empty.cfg", "deep.cfg"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir_.Run({"diff", "M.cfg", "deep.cfg"}).status, 0);
  // Changed inside on one side, deleted on the other: the whole chain is
  // one side of the conflict.
  dir_.Write("changed.cfg", deep.substr(0, kDepth * 5) + "(int)r=2\n" + deep.substr(kDepth * 5 + 9));
  r = dir_.Run({"merge", "-o", "C.cfg", "deep.cfg", "changed.cfg", "empty.cfg"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err, "cfgtool: changed.cfg: s/: changed on ours, deleted on theirs\n");
}

// A random tree, written as a file: sections, records of named and unnamed
// values of every type, byte arrays. Names are unique ignoring case.
struct Node {
  bool record = false;
  std::string name;
  std::vector<Node> children;  // a section's
  // A record's values: name ("" unnamed), type word, text.
  struct Value {
    std::string name, type, text;
  };
  std::vector<Value> values;
};

class RandomTrees {
 public:
  explicit RandomTrees(unsigned seed) : random_(seed) {}

  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  Node::Value MakeValue(bool named) {
    static const char* const kTypes[] = {"int", "int64", "string", "double", "float", "bytes"};
    Node::Value v{named ? "v" + std::to_string(next_++) : "", kTypes[Below(6)], ""};
    const int n = Below(20);
    if (v.type == "string") v.text = "t" + std::to_string(n);
    else if (v.type == "bytes") v.text = std::to_string(n % 10) + " FF";
    else if (v.type == "double" || v.type == "float") v.text = std::to_string(n) + ".5";
    else v.text = std::to_string(n);
    return v;
  }
  Node MakeNode(int depth) {
    Node node;
    node.record = depth >= 2 || Below(3) != 0;
    node.name = (node.record ? "r" : "s") + std::to_string(next_++);
    if (node.record) {
      for (int i = Below(5); i >= 0; --i) node.values.push_back(MakeValue(Below(2) == 0));
    } else {
      for (int i = Below(4); i >= 0; --i) node.children.push_back(MakeNode(depth + 1));
    }
    return node;
  }
  // Every record and section of the tree (root included), for picking one.
  void Collect(Node& node, std::vector<Node*>* records, std::vector<Node*>* sections) {
    (node.record ? records : sections)->push_back(&node);
    for (Node& child : node.children) Collect(child, records, sections);
  }
  // One random edit somewhere in root.
  void Edit(Node& root) {
    std::vector<Node*> records, sections;
    Collect(root, &records, &sections);
    if (!records.empty() && Below(3) != 0) {
      Node& record = *records[Below(static_cast<int>(records.size()))];
      auto& values = record.values;
      const int what = Below(4);
      if (values.empty() || what == 0) {
        values.push_back(MakeValue(Below(2) == 0));
      } else if (what == 1) {
        values.erase(values.begin() + Below(static_cast<int>(values.size())));
      } else {
        Node::Value& v = values[Below(static_cast<int>(values.size()))];
        const std::string name = v.name;
        v = MakeValue(false);
        v.name = name;
      }
      return;
    }
    Node& section = *sections[Below(static_cast<int>(sections.size()))];
    if (section.children.empty() || Below(2) == 0) {
      section.children.insert(section.children.begin() + Below(static_cast<int>(section.children.size()) + 1),
                              MakeNode(1));
    } else {
      section.children.erase(section.children.begin() + Below(static_cast<int>(section.children.size())));
    }
  }

  static void Write(const Node& node, std::string* out) {
    for (const Node& child : node.children) {
      if (child.record) {
        for (const Node::Value& v : child.values) {
          const std::string name = child.name + (v.name.empty() ? "" : "[" + v.name + "]");
          if (v.type != "bytes") {
            *out += "(" + v.type + ")" + name + "=" + v.text + "\n";
            continue;
          }
          *out += "[ " + name + ":\n";
          for (char c : v.text) {
            if (c != ' ') *out += std::string(1, c) + "\n";
          }
          *out += "] " + name + ";\n";
        }
        continue;
      }
      *out += "{ " + child.name + ":\n";
      Write(child, out);
      *out += "} " + child.name + ";\n";
    }
  }

 private:
  std::mt19937 random_;
  int next_ = 0;
};

TEST_F(ApplyMergeTest, ApplyOfADiffGivesTheSecondFileAndInReverseTheFirst) {
  constexpr unsigned kSeeds = 8;
  for (unsigned seed = 1; seed <= kSeeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomTrees trees(seed);
    Node first;
    for (int i = trees.Below(6); i >= 0; --i) first.children.push_back(trees.MakeNode(0));
    Node second = first;
    for (int i = trees.Below(8); i >= 0; --i) trees.Edit(second);
    std::string a, b;
    RandomTrees::Write(first, &a);
    RandomTrees::Write(second, &b);
    dir_.Write("A.cfg", a);
    dir_.Write("B.cfg", b);
    RunResult diff = dir_.Run({"diff", "--json", "A.cfg", "B.cfg"});
    ASSERT_NE(diff.status, 2) << diff.err;
    dir_.Write("P.json", diff.out);
    RunResult forth = dir_.Run({"apply", "-o", "X.cfg", "A.cfg", "P.json"});
    EXPECT_EQ(forth.status, 0) << forth.err << diff.out;
    RunResult back = dir_.Run({"apply", "-R", "-o", "Y.cfg", "B.cfg", "P.json"});
    EXPECT_EQ(back.status, 0) << back.err << diff.out;
    RunResult same = dir_.Run({"diff", "X.cfg", "B.cfg"});
    EXPECT_EQ(same.status, 0) << same.out << diff.out;
    same = dir_.Run({"diff", "Y.cfg", "A.cfg"});
    EXPECT_EQ(same.status, 0) << same.out << diff.out;
  }
}

// ---------------------------------------------------------------- merge

TEST_F(ApplyMergeTest, MergeCombinesEditsAndMarksConflicts) {
  struct Case {
    const char* name;
    std::string base, ours, theirs;
    int status;
    std::string result;
    std::string err;
  };
  const Case cases[] = {
      {"edits of neighbouring lines", "(int)win[width]=640\n(int)win[height]=480\n",
       "(int)win[width]=800\n(int)win[height]=480\n", "(int)win[width]=640\n(int)win[height]=600\n", 0,
       "(int)win[width]=800\n(int)win[height]=600\n", ""},
      {"both append to one record, ours first; theirs' additions after what precedes them",
       "(int)r[a]=1\n(int)r=1\n(int)s=1\n", "(int)r[a]=1\n(int)r=1\n(int)r[o]=2\n(int)r=2\n(int)s=1\n",
       "(int)r[a]=1\n(int)r[t]=3\n(int)r=1\n(int)r=3\n(int)r[u]=4\n(int)s=1\n(int)x=1\n", 0,
       "(int)r[a]=1\n(int)r[t]=3\n(int)r=1\n(int)r[o]=2\n(int)r=2\n(int)r=3\n(int)r[u]=4\n(int)s=1\n(int)x=1\n", ""},
      {"the same edit on both sides, and deletions of what the other side kept",
       "(int)r[a]=1\n(int)r[b]=2\n{ s:\n(int)x=1\n} s;\n(int)q=1\n", "(int)r[a]=5\n(int)r[b]=2\n(int)q=1\n",
       "(int)r[a]=5\n{ s:\n(int)x=1\n} s;\n(int)q=1\n", 0, "(int)r[a]=5\n(int)q=1\n", ""},
      {"theirs' section where theirs put it, after ours' own addition there",
       "{ a:\n} a;\n{ c:\n} c;\n", "{ a:\n} a;\n{ o:\n} o;\n{ c:\n} c;\n",
       "{ first:\n} first;\n{ a:\n} a;\n{ b:\n(int)r=1\n} b;\n{ c:\n} c;\n", 0,
       "{ first:\n} first;\n{ a:\n} a;\n{ o:\n} o;\n{ b:\n    (int)r=1\n} b;\n{ c:\n} c;\n", ""},
      {"a value changed two ways", "{ s:\n(int)r[v]=1\n(int)r[w]=1\n} s;\n", "{ s:\n(int)r[v]=2\n(int)r[w]=1\n} s;\n",
       "{ s:\n(int)r[v]=3\n(int)r[w]=5\n} s;\n", 1,
       "{ s:\n<<<<<<< ours\n    (int)r[v]=2\n=======\n    (int)r[v]=3\n>>>>>>> theirs\n    (int)r[w]=5\n} s;\n",
       "cfgtool: O.cfg: s/r[v]: changed on both sides, differently\n"},
      {"a section deleted on one side and changed inside on the other, and the other way round",
       "{ s:\n(int)r=1\n} s;\n(int)q[a]=1\n", "{ s:\n(int)r=2\n} s;\n", "(int)q[a]=2\n", 1,
       // What theirs holds first goes first.
       "<<<<<<< ours\n=======\n(int)q[a]=2\n>>>>>>> theirs\n"
       "<<<<<<< ours\n{ s:\n    (int)r=2\n} s;\n=======\n>>>>>>> theirs\n",
       "cfgtool: O.cfg: q: deleted on ours, changed on theirs\n"
       "cfgtool: O.cfg: s/: changed on ours, deleted on theirs\n"},
      {"the same new path with different content; a section and a record of one name", "",
       "(int)n[v]=1\n{ K:\n} K;\n", "(int)n[v]=2\n(int)k=1\n", 1,
       "<<<<<<< ours\n(int)n[v]=1\n=======\n(int)n[v]=2\n>>>>>>> theirs\n"
       "<<<<<<< ours\n{ K:\n} K;\n=======\n(int)k=1\n>>>>>>> theirs\n",
       "cfgtool: O.cfg: n: added on both sides, differently\n"
       "cfgtool: O.cfg: K/: added on both sides, as a section and as a record\n"},
      {"a byte array is written whole on each side", "[ r[b]:\n1\n2\n] r[b];\n(int)r=1\n", "[ r[b]:\n1\n3\n] r[b];\n(int)r=1\n",
       "[ r[b]:\n1\n4\n] r[b];\n(int)r=1\n", 1,
       "<<<<<<< ours\n[ r[b]:\n1\n3\n] r[b];\n=======\n[ r[b]:\n1\n4\n] r[b];\n>>>>>>> theirs\n(int)r=1\n",
       "cfgtool: O.cfg: r[b]: changed on both sides, differently\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("B.cfg", c.base);
    dir_.Write("O.cfg", c.ours);
    dir_.Write("T.cfg", c.theirs);
    RunResult r = dir_.Run({"merge", "B.cfg", "O.cfg", "T.cfg"});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(dir_.Read("O.cfg"), c.result);
    // A conflicted file is never taken for a clean one.
    RunResult check = dir_.Run({"check", "O.cfg"});
    EXPECT_EQ(check.status, c.status == 0 ? 0 : 1) << check.out;
  }
}

TEST_F(ApplyMergeTest, MergeWritesElsewhereAndRefusesWhatItCanNotRead) {
  dir_.Write("B.cfg", "(int)r[v]=1\n");
  dir_.Write("O.cfg", "(int)r[v]=1\n(int)r[o]=1\n");
  dir_.Write("T.cfg", "(int)r[v]=2\n");
  RunResult r = dir_.Run({"merge", "-o", "-", "B.cfg", "O.cfg", "-"}, "(int)r[v]=2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "(int)r[v]=2\n(int)r[o]=1\n");
  r = dir_.Run({"merge", "-o", "M.cfg", "B.cfg", "O.cfg", "T.cfg"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir_.Read("M.cfg"), "(int)r[v]=2\n(int)r[o]=1\n");
  EXPECT_EQ(dir_.Read("O.cfg"), "(int)r[v]=1\n(int)r[o]=1\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"merge", "B.cfg", "O.cfg", "missing.cfg"}, {"merge", "B.cfg", "-", "T.cfg"},
        {"merge", "-o", "x.cfg", "-", "-", "T.cfg"}, {"merge", "B.cfg", "O.cfg"}}) {
    RunResult e = dir_.Run(args);
    EXPECT_EQ(e.status, 2);
    EXPECT_EQ(e.err.rfind("cfgtool: ", 0), 0u) << e.err;
    EXPECT_EQ(dir_.Read("O.cfg"), "(int)r[v]=1\n(int)r[o]=1\n");
  }
}

TEST_F(ApplyMergeTest, HelpOfApplyAndMerge) {
  for (const char* command : {"apply", "merge"}) {
    SCOPED_TRACE(command);
    RunResult r = dir_.Run({command, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Exit status"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
  }
}

}  // namespace
