// Loading files into the tree and saving the tree: the mapping of lines to
// sections, records and values, the order of writing, and safe saving.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "test_support.h"
#include "tests/tree_fill.h"

#ifndef _WIN32
#include <pthread.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using cfg::ConfigStream;
using cfg::InMemory;
using cfg::Record;
using cfg::Section;
using cfg::Value;
using cfg::ValueType;

namespace fs = std::filesystem;

// A compact text of a subtree: "{name:...}" for a section, "name(v=datum,...)"
// for a record; datum i5, f1.5, d0.25, l7, s'text', b[01 FF].
std::string Describe(const Section& section) {
  std::string out;
  for (int i = 1; i <= section.Count(); ++i) {
    const cfg::NamedObject* item = section.ItemAt(i);
    if (!item) continue;
    std::string name = item->GetName() ? item->GetName() : "";
    if (auto* child = dynamic_cast<const Section*>(item)) {
      out += "{" + name + ":" + Describe(*child) + "}";
      continue;
    }
    const auto& record = dynamic_cast<const Record&>(*item);
    out += name + "(";
    bool first = true;
    for (int j = 1; j <= record.Count(); ++j) {
      const Value* v = record.ValueAt(j);
      if (v->IsNone()) continue;
      if (!first) out += ",";
      first = false;
      out += (v->GetName() ? v->GetName() : "") + std::string("=");
      char text[64];
      switch (v->Type()) {
        case ValueType::Int: out += "i" + std::to_string(v->GetInt()); break;
        case ValueType::Float: std::snprintf(text, sizeof text, "f%g", v->GetFloat()); out += text; break;
        case ValueType::Double: std::snprintf(text, sizeof text, "d%.17g", v->GetDouble()); out += text; break;
        case ValueType::Int64: out += "l" + std::to_string(v->GetInt64()); break;
        case ValueType::String: out += "s'" + std::string(v->GetString()) + "'"; break;
        case ValueType::Binary:
          out += "b[";
          for (int k = 0; k < v->GetSize(); ++k) {
            std::snprintf(text, sizeof text, k ? " %02X" : "%02X", v->GetBytes()[k]);
            out += text;
          }
          out += "]";
          break;
        default: out += "?"; break;
      }
    }
    out += ")";
  }
  return out;
}

std::string LoadText(const std::string& text, cfg::LoadObserver* observer = nullptr) {
  ConfigStream stream(InMemory{}, text);
  Section root(cfg::kFileSection, "memory");
  root.LoadSection(stream, observer);
  return Describe(root);
}

// The same, with the lines read and recognised on a second thread.
std::string LoadTextAhead(const std::string& text) {
  ConfigStream stream(InMemory{}, text);
  Section root(cfg::kFileSection, "memory");
  root.LoadSectionAhead(stream);
  return Describe(root);
}

std::string SaveText(const Section& section) {
  ConfigStream stream(InMemory{});
  section.SaveSection(stream);
  return stream.Output();
}

struct MappingCase {
  const char* what;
  const char* text;
  const char* tree;
};

TEST(Loading, LinesMapToTheTree) {
  const MappingCase cases[] = {
      {"values of one record", "(int)net[port]=80\n(string)net=x\n", "net(port=i80,=s'x')"},
      {"all types",
       "(int)t[i]=-1\n(float)t[f]=1.5\n(string)t[s]= a \n(double)t[d]=0.25\n(int64)t[l]=5000000000\n"
       "[ t[b]:\nA\nFF\n] t[b];\n",
       "t(i=i-1,f=f1.5,s=s' a ',d=d0.25,l=l5000000000,b=b[0A FF])"},
      {"a value name repeated keeps the first", "(int)a[x]=1\n(int)a[x]=2\n(string)A[X]=s\n",
       "a(x=i1)"},
      {"unnamed values all stay", "(int)a=1\n(int)a=1\n(int)a[]=2\n", "a(=i1,=i1,=i2)"},
      {"repeated sections merge",
       "{ b:\n(int)r[x]=1\n} b;\n{ B:\n(int)R[y]=2\n(int)s=3\n} B;\n", "{b:r(x=i1,y=i2)s(=i3)}"},
      {"repeated records merge across sections",
       "(int)r[a]=1\n{ s:\n} s;\n(int)r[b]=2\n", "r(a=i1,b=i2){s:}"},
      {"children keep the order of first appearance",
       "(int)b=1\n{ a:\n} a;\n(int)c=1\n(int)b=2\n{ A:\n(int)z=0\n} A;\n",
       "b(=i1,=i2){a:z(=i0)}c(=i1)"},
      {"a value of a section's name is dropped",
       "{ s:\n} s;\n(int)s[x]=1\n[ S[b]:\n1\n] S[b];\n(int)t=2\n", "{s:}t(=i2)"},
      {"an empty array makes no value", "[ a[z]:\n] a[z];\n(int)b=1\n", "b(=i1)"},
      {"an unclosed array takes every line", "[ a:\n1\n2\n", "a(=b[01 02])"},
      {"an unclosed section ends at the end", "{ s:\n{ t:\n(int)a=1\n", "{s:{t:a(=i1)}}"},
      {"a mismatched closing line is skipped",
       "{ s:\n} t;\n(int)a=1\n} s;\n(int)b=2\n", "{s:a(=i1)}b(=i2)"},
      {"comments, blanks and other lines carry nothing",
       "; comment\n\n   \nrubbish\n(int)a=\n(bogus)a=1\n(int)a=1\n", "a(=i1)"},
      {"a byte-order mark hides the first line",
       "\xEF\xBB\xBF{ a:\n(int)x=1\n} a;\n", "x(=i1)"},
      {"an empty string survives", "(string)note[text]=\n", "note(text=s'')"},
      {"decimals without a number are skipped",
       "(float)a=x\n(double)b=\n(float)c= -\n(double)d=.5\n(float)e=inf\n", "d(=d0.5)e(=finf)"},
      {"value lines in array blocks are bytes", "[ k:\n(int)x=1\n5\n] k;\n", "k(=b[05 00])"},
      {"sections nest in arrays only as bytes", "[ k:\n{ s:\n} s;\n] k;\n", "k(=b[00 00])"},
      {"byte lines of every shape",
       "[ k:\n  1\n\t2F\n0x1F\n1FF\n 3 \n4\r\n-1\n        e\n] k;\n[ m:\n7",
       "k(=b[01 2F 1F FF 03 04 FF 0E])m(=b[07])"},
      // A refused block (its name belongs to a record) is read at the level of
      // its parent, and its closing line ends only the block.
      {"refused block at the root",
       "(int)a[x]=1\n{ a:\n    (int)y=2\n} a;\n(int)z=3\n", "a(x=i1)y(=i2)z(=i3)"},
      {"refused block inside a section",
       "{ p:\n    (int)a[x]=1\n    { a:\n        (int)y=2\n    } a;\n    (int)w=4\n} p;\n(int)z=3\n",
       "{p:a(x=i1)y(=i2)w(=i4)}z(=i3)"},
      {"a refused block's sections become siblings",
       "(int)a=1\n{ A:\n{ n:\n(int)v=1\n} n;\n(int)u=2\n} A;\n(int)z=3\n",
       "a(=i1){n:v(=i1)}u(=i2)z(=i3)"},
      {"refused blocks nested in each other",
       "(int)a=1\n(int)b=1\n{ a:\n{ b:\n(int)x=1\n} b;\n(int)y=1\n} a;\n(int)z=1\n",
       "a(=i1)b(=i1)x(=i1)y(=i1)z(=i1)"},
  };
  for (const MappingCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LoadText(c.text), c.tree);
    EXPECT_EQ(LoadTextAhead(c.text), c.tree);
  }
}

// Many thousand lines of every kind, with merges, refusals, long texts and
// arrays, and a section left open at the end: about 200 bytes a block, so
// that lines read ahead cross many hand-overs between the threads.
std::string LongMixedText(int blocks) {
  std::string text;
  for (int i = 0; i < blocks; ++i) {
    const std::string r = "r" + std::to_string(i % 700);
    const std::string s = "s" + std::to_string(i % 37);
    text += "{ " + s + ":\n";
    text += "    (int)" + r + "[i]=" + std::to_string(i) + "\n";
    text += "    (string)" + r + "[t" + std::to_string(i) + "]=" + std::string(i % 300, 'x') + "\n";
    text += "    (double)" + r + "=0." + std::to_string(i) + "\n";
    text += "    (int64)" + r + "[l]=-" + std::to_string(i) + "000000000\n";
    text += "    (float)q[f" + std::to_string(i % 50) + "]=1.5\r\n";
    if (i % 50 == 0) {
      text += "    [ " + r + "[b" + std::to_string(i) + "]:\n";
      for (int k = 0; k < i % 997; ++k) text += k % 7 ? "  " + std::to_string(k % 10) + "F\n" : " ; no byte\n";
      text += "    ] " + r + "[b" + std::to_string(i) + "];\n";
    }
    if (i % 11 == 0) text += "    { " + r + ":\n        (int)inner=1\n    } " + r + ";\n";
    if (i % 13 == 0) text += "; comment\n} nobody;\n(bogus)x=1\n[ e:\n] e;\n(double)d=x\n(float)f=\n";
    text += "} " + s + ";\n";
  }
  text += "[ huge:\n";
  for (int k = 0; k < 200000; ++k) text += "A\n";
  text += "] huge;\n{ open:\n(int)x=1\n[ tail:\n1\n";
  return text;
}

// Empty when the texts are equal; otherwise where they first differ, with a
// little of each (long texts would drown the report).
std::string Difference(const std::string& a, const std::string& b) {
  if (a == b) return "";
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  return "differ at " + std::to_string(at) + ": \"" + a.substr(at, 40) + "\" / \"" +
         b.substr(at, 40) + "\"";
}

// Loads text into plain on one thread and into ahead reading ahead.
void LoadBothWays(const std::string& text, Section* plain, Section* ahead) {
  ConfigStream first(InMemory{}, text);
  plain->LoadSection(first);
  ConfigStream second(InMemory{}, text);
  ahead->LoadSectionAhead(second);
}

TEST(Loading, ReadingAheadBuildsTheSameTree) {
  const std::string text = LongMixedText(6000);
  ASSERT_GT(text.size(), 1u << 20);
  Section plain(cfg::kFileSection, "plain");
  Section ahead(cfg::kFileSection, "ahead");
  LoadBothWays(text, &plain, &ahead);
  EXPECT_EQ(Difference(Describe(ahead), Describe(plain)), "");
  EXPECT_EQ(Difference(SaveText(ahead), SaveText(plain)), "");

  // Load reads a large file ahead.
  const std::string large = LongMixedText(24000);
  ASSERT_GT(large.size(), 4u << 20);
  cfgtest::TempDir dir;
  const std::string path = dir.File("long.cfg");
  cfgtest::WriteFile(path, large);
  Section loaded(cfg::kFileSection, path.c_str());
  ASSERT_EQ(loaded.Load(), 1);
  Section reference(cfg::kFileSection, "reference");
  ConfigStream third(InMemory{}, large);
  reference.LoadSection(third);
  EXPECT_EQ(Difference(SaveText(loaded), SaveText(reference)), "");
}

// A line longer than the room left in a batch of lines read ahead makes the
// batch's text grow: the lines already in the batch must keep their texts.
TEST(Loading, ReadingAheadKeepsEarlierLinesWhenALongLineComes) {
  auto lines = [](const std::string& record) {
    std::string text;
    for (int i = 0; i < 1000; ++i) {
      text += "(string)" + record + std::to_string(i) + "[v]=text " + std::to_string(i) + "\n";
    }
    return text;
  };
  const std::string big(300000, 'y');
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes += "7F\n";
  const std::pair<const char*, std::string> cases[] = {
      {"long text", lines("a") + "(string)long=" + big + "\n" + lines("b")},
      {"long array", lines("a") + "[ array:\n" + bytes + "] array;\n" + lines("b")},
      {"long name", lines("a") + "(int)" + big + "[v]=1\n" + lines("b")},
  };
  for (const auto& [what, text] : cases) {
    SCOPED_TRACE(what);
    Section plain(cfg::kFileSection, "plain");
    Section ahead(cfg::kFileSection, "ahead");
    LoadBothWays(text, &plain, &ahead);
    EXPECT_EQ(Difference(SaveText(ahead), SaveText(plain)), "");
    EXPECT_EQ(plain.Count(), 2001);
  }
}

TEST(Loading, ReadingAheadStopsAtTheSectionsClosingLine) {
  const std::string text = "(int)a=1\n{ c:\n} c;\n} outer;\n(int)b=2\n";
  for (bool ahead : {false, true}) {
    SCOPED_TRACE(ahead ? "ahead" : "plain");
    ConfigStream stream(InMemory{}, text);
    stream.PushSection("outer");
    Section section("outer");
    if (ahead) {
      section.LoadSectionAhead(stream);
    } else {
      section.LoadSection(stream);
    }
    EXPECT_EQ(Describe(section), "a(=i1){c:}");
  }
}

TEST(Loading, ArrayLinesWithoutAByteKeepTheCountedLength) {
  ConfigStream stream(InMemory{}, "[ a:\n1\n; c\n\n2\n] a;\n");
  Section root(cfg::kFileSection, "memory");
  root.LoadSection(stream);
  const Value* v = root.RecordByName("a")->ValueAt(1);
  ASSERT_EQ(v->Type(), ValueType::Binary);
  ASSERT_EQ(v->GetSize(), 4);
  EXPECT_EQ(v->GetBytes()[0], 1);
  EXPECT_EQ(v->GetBytes()[1], 2);
}

class RecordingObserver : public cfg::LoadObserver {
 public:
  void Skipped(const ConfigStream& stream) override {
    skipped.push_back(stream.LineNumber());
    issues.push_back(stream.Issue());
  }
  void Dropped(long long line, Drop what, std::string_view name) override {
    drops.push_back({line, what, std::string(name)});
  }
  struct Entry {
    long long line;
    Drop what;
    std::string name;
    bool operator==(const Entry& o) const {
      return line == o.line && what == o.what && name == o.name;
    }
  };
  std::vector<long long> skipped;
  std::vector<cfg::LineIssue> issues;
  std::vector<Entry> drops;
};

TEST(Loading, ObserverHearsOfEverythingDropped) {
  using Drop = cfg::LoadObserver::Drop;
  RecordingObserver observer;
  const char* text =
      "(int)a[x]=1\n"    // 1
      "(int)a[X]=2\n"    // 2 name taken
      "rubbish\n"        // 3 skipped
      "{ s:\n"           // 4
      "} s;\n"           // 5
      "(int)s[v]=1\n"    // 6 record is a section
      "[ s:\n"           // 7 array of a section's name
      "1\n"              // 8
      "] s;\n"           // 9
      "[ e:\n"           // 10
      "] e;\n"           // 11 empty array
      "{ a:\n"           // 12 section is a record
      "} a;\n"           // 13
      "(int)n=zz\n"      // 14 skipped: no number
      "{ open:\n";       // 15 never closed
  std::string tree = LoadText(text, &observer);
  EXPECT_EQ(tree, "a(x=i1){s:}{open:}");
  EXPECT_EQ(observer.skipped, (std::vector<long long>{3, 14}));
  EXPECT_EQ(observer.issues,
            (std::vector<cfg::LineIssue>{cfg::LineIssue::Unrecognised, cfg::LineIssue::NoNumber}));
  ASSERT_GE(observer.drops.size(), 5u);
  using E = RecordingObserver::Entry;
  EXPECT_EQ(observer.drops[0].line, 2);
  EXPECT_EQ(observer.drops[0].what, Drop::ValueNameTaken);
  EXPECT_EQ(observer.drops[1].line, 6);
  EXPECT_EQ(observer.drops[1].what, Drop::RecordIsSection);
  EXPECT_EQ(observer.drops[2].line, 7);
  EXPECT_EQ(observer.drops[2].what, Drop::RecordIsSection);
  EXPECT_EQ(observer.drops[3].line, 10);
  EXPECT_EQ(observer.drops[3].what, Drop::EmptyArray);
  EXPECT_EQ(observer.drops[4], (E{12, Drop::SectionIsRecord, "a"}));
  bool unclosed = false;
  for (const auto& d : observer.drops) unclosed |= d.what == Drop::UnclosedSection;
  EXPECT_TRUE(unclosed);
}

// --- writing ---

TEST(Saving, RecordsWriteTheirValuesInSlotOrder) {
  Section doc(cfg::kFileSection, "x.cfg");
  cfgtest::AddValue(&doc, "net[port]", 80);
  cfgtest::AddValue(&doc, "net", "x");
  EXPECT_EQ(SaveText(doc), "(int)net[port]=80\n(string)net=x\n");

  // A removed value's slot takes the next value, and is written there.
  Record* net = doc.RecordByName("net");
  net->RemoveAt(1);
  net->CreateIntValue("first", 1);
  EXPECT_EQ(SaveText(doc), "(int)net[first]=1\n(string)net=x\n");
}

TEST(Saving, WhatIsWrittenAndWhatIsSkipped) {
  Section doc(cfg::kFileSection, "x.cfg");
  doc.FindOrCreateRecord("empty");          // a record without values: nothing
  doc.FindOrCreateSection("hollow");        // an empty section: a block
  auto nullSection = std::make_unique<Section>();  // isNull: skipped with its content
  cfgtest::AddValue(nullSection, "hidden", 1);
  doc.AddChild(nullSection);
  doc.FindOrCreateRecord(static_cast<const char*>(nullptr))->CreateIntValue("v", 1);  // unnamed record
  cfgtest::AddValue(&doc, "bin[none]", static_cast<const uint8_t*>(nullptr), 0);
  cfgtest::AddValue(&doc, "s[empty]", "");
  EXPECT_EQ(SaveText(doc),
            "{ hollow:\n"
            "} hollow;\n"
            "[ bin[none]:\n"
            "] bin[none];\n"
            "(string)s[empty]=\n");
  // Read back: the empty section exists, the empty array does not; the empty
  // string survives.
  EXPECT_EQ(LoadText(SaveText(doc)), "{hollow:}s(empty=s'')");
}

TEST(Saving, APastedDocumentWritesIntoItsHolder) {
  Section doc(cfg::kFileSection, "a.cfg");
  cfgtest::AddValue(&doc, "r[v]", 1);
  Section target(cfg::kFileSection, "b.cfg");
  Section* holder = target.FindOrCreateSection("holder");
  std::unique_ptr<Section> pasted = doc.CloneSection();
  ASSERT_TRUE(pasted->IsFile());
  ASSERT_NE(holder->AddChild(pasted), 0);
  EXPECT_EQ(SaveText(target), "{ holder:\n    (int)r[v]=1\n} holder;\n");
}

// A tree large enough to be written in many pieces, with everything that
// changes how a piece starts: blocks open across pieces, nesting deeper than
// the indentation goes, unnamed sections and a pasted document (no block of
// their own), unnamed records (nothing written), empty slots, byte arrays.
void FillLargeTree(Section* root) {
  const uint8_t bytes[] = {0x00, 0x7F, 0xFF};
  Section* deep = root->FindOrCreateSection("deep");
  for (int level = 0; level < 40; ++level) {
    deep = deep->FindOrCreateSection("level" + std::to_string(level));
    cfgtest::AddValue(deep, "at[level]", static_cast<int32_t>(level));
  }
  for (int s = 0; s < 6; ++s) {
    Section* section = root->FindOrCreateSection("section" + std::to_string(s));
    Section* holder = s % 2 ? section->FindOrCreateSection("") : section;
    for (int r = 0; r < 4000; ++r) {
      const std::string record = "record" + std::to_string(r);
      cfgtest::AddValue(holder, record + "[i]", static_cast<int32_t>(r));
      cfgtest::AddValue(holder, record + "[text]", "some text");
      cfgtest::AddValue(holder, record + "[d]", static_cast<double>(r / 8.0));
      if (r % 100 == 0) cfgtest::AddValue(holder, record + "[bytes]", bytes, 3);
      if (r % 7 == 0) cfgtest::AddValue(holder->FindOrCreateSection(record + "_sub"), "x", static_cast<int64_t>(r));
    }
    for (int slot = 5; slot < holder->Count(); slot += 500) holder->RemoveAt(slot);
    holder->FindOrCreateRecord("");
    Section pasted(cfg::kFileSection, "pasted.cfg");
    cfgtest::AddValue(&pasted, "from[paste]", static_cast<int32_t>(s));
    std::unique_ptr<Section> copy = pasted.CloneSection();
    section->AddChild(copy);
  }
}

TEST(Saving, WritingAheadWritesTheSameText) {
  Section document(cfg::kFileSection, "large.cfg");
  FillLargeTree(&document);
  Section named("top");
  FillLargeTree(&named);
  for (const Section* root : {&document, &named}) {
    SCOPED_TRACE(root->GetName());
    const std::string plain = SaveText(*root);
    ASSERT_GT(plain.size(), 2u << 20);
    ConfigStream ahead(InMemory{});
    root->SaveSectionAhead(ahead);
    EXPECT_EQ(Difference(ahead.Output(), plain), "");
    EXPECT_EQ(ahead.Depth(), 0);  // every block it opened is closed

    // Inside a block of the writer's own, the tree is indented under it.
    ConfigStream inside(InMemory{});
    inside.WriteSectionOpen("outer");
    root->SaveSectionAhead(inside);
    ConfigStream reference(InMemory{});
    reference.WriteSectionOpen("outer");
    root->SaveSection(reference);
    EXPECT_EQ(Difference(inside.Output(), reference.Output()), "");
  }

  // Save writes a large tree ahead, straight into its file.
  cfgtest::TempDir dir;
  const std::string path = dir.File("large.cfg");
  document.SetName(path.c_str());
  ASSERT_EQ(document.Save(), 1);
  EXPECT_EQ(Difference(cfgtest::NormaliseLineEnds(cfgtest::ReadFile(path)), SaveText(document)), "");
}

TEST(Saving, NonFiniteNumbersReadBack) {
  Section doc(cfg::kFileSection, "x.cfg");
  cfgtest::AddValue(&doc, "f[p]", static_cast<float>(HUGE_VALF));
  cfgtest::AddValue(&doc, "f[n]", static_cast<float>(-HUGE_VALF));
  cfgtest::AddValue(&doc, "d[p]", static_cast<double>(HUGE_VAL));
  cfgtest::AddValue(&doc, "d[q]", static_cast<double>(std::numeric_limits<double>::quiet_NaN()));
  std::string text = SaveText(doc);
  EXPECT_EQ(text,
            "(float)f[p]=inf\n(float)f[n]=-inf\n(double)d[p]=inf\n(double)d[q]=nan\n");
  EXPECT_EQ(LoadText(text), "f(p=finf,n=f-inf)d(p=dinf,q=dnan)");
}

// --- files ---

class FileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.File(name); }
  cfgtest::TempDir dir_;
};

TEST_F(FileTest, LoadAndSaveNeedAFileSection) {
  std::string path = Path("plain.cfg");
  cfgtest::WriteFile(path, "(int)a=1\n");
  Section plain(path.c_str());
  EXPECT_EQ(plain.Load(), 0);
  EXPECT_EQ(plain.Count(), 0);
  EXPECT_EQ(plain.Save(), 0);
  EXPECT_EQ(cfgtest::ReadFile(path), "(int)a=1\n");
}

TEST_F(FileTest, LoadingAMissingFileChangesNothing) {
  Section doc(cfg::kFileSection, Path("missing.cfg").c_str());
  cfgtest::AddValue(&doc, "kept", 1);
  EXPECT_EQ(doc.Load(), 0);
  EXPECT_EQ(Describe(doc), "kept(=i1)");
  EXPECT_FALSE(cfgtest::FileExists(Path("missing.cfg")));
}

TEST_F(FileTest, LoadAddsToTheTree) {
  std::string path = Path("add.cfg");
  cfgtest::WriteFile(path, "(int)r[b]=2\n(int)s=1\n");
  Section doc(cfg::kFileSection, path.c_str());
  cfgtest::AddValue(&doc, "r[a]", 1);
  cfgtest::AddValue(&doc, "r[B]", 9);
  EXPECT_EQ(doc.Load(), 1);
  EXPECT_EQ(Describe(doc), "r(a=i1,B=i9)s(=i1)");
  EXPECT_EQ(doc.Load(), 1);
  EXPECT_EQ(Describe(doc), "r(a=i1,B=i9)s(=i1,=i1)");
}

TEST_F(FileTest, AnEmptyFileLoads) {
  std::string path = Path("empty.cfg");
  cfgtest::WriteFile(path, "");
  Section doc(cfg::kFileSection, path.c_str());
  EXPECT_EQ(doc.Load(), 1);
  EXPECT_EQ(doc.Count(), 0);
}

TEST_F(FileTest, CrLfFilesLoadLikeLfFiles) {
  const std::string lf =
      "{ s:\n    (string)r[t]=text  \n    [ r[b]:\n    1\n    ; c\n    FF\n    ] r[b];\n"
      "    { t:\n    } T;\n} S;\n(double)d=0.5\n(string)e=\n";
  std::string crlf;
  for (char c : lf) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  cfgtest::WriteFile(Path("lf.cfg"), lf);
  cfgtest::WriteFile(Path("crlf.cfg"), crlf);
  Section a(cfg::kFileSection, Path("lf.cfg").c_str());
  Section b(cfg::kFileSection, Path("crlf.cfg").c_str());
  ASSERT_EQ(a.Load(), 1);
  ASSERT_EQ(b.Load(), 1);
  EXPECT_EQ(Describe(a), "{s:r(t=s'text  ',b=b[01 FF 00]){t:}}d(=d0.5)e(=s'')");
  EXPECT_EQ(Describe(b), Describe(a));
}

TEST_F(FileTest, SaveReplacesTheWholeFile) {
  std::string path = Path("doc.cfg");
  cfgtest::WriteFile(path, std::string(100000, 'x') + "\n");
  Section doc(cfg::kFileSection, path.c_str());
  cfgtest::AddValue(&doc, "a", 1);
  EXPECT_EQ(doc.Save(), 1);
  EXPECT_EQ(cfgtest::NormaliseLineEnds(cfgtest::ReadFile(path)), "(int)a=1\n");
  // Nothing is left beside the file.
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(dir_.Path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

// A document that obeys the name rules: save, load, save gives the same file.
TEST_F(FileTest, SaveLoadSaveIsIdentity) {
  Section doc(cfg::kFileSection, Path("first.cfg").c_str());
  const uint8_t bytes[] = {0, 1, 0x7F, 0x80, 0xFF};
  cfgtest::AddValue(&doc, "window[width]", 640);
  cfgtest::AddValue(&doc, "window[scale]", static_cast<float>(1.5f));
  cfgtest::AddValue(&doc, "window[tiny]", static_cast<float>(1e-10f));
  cfgtest::AddValue(&doc, "window[odd]", static_cast<float>(1.0000001f));
  cfgtest::AddValue(&doc, "window[title]", "  Main view; with = and [brackets] ");
  Section* paths = doc.FindOrCreateSection("paths and more");
  cfgtest::AddValue(paths, "cache", "C:\\temp");
  cfgtest::AddValue(paths, "cache[limit]", static_cast<double>(0.25));
  cfgtest::AddValue(paths, "cache[pi]", static_cast<double>(3.14159265358979));
  cfgtest::AddValue(paths, "cache[big]", static_cast<double>(-1.5e300));
  Section* fonts = paths->FindOrCreateSection("fonts");
  cfgtest::AddValue(fonts, "size", 12);
  cfgtest::AddValue(fonts, "size", -12);
  fonts->FindOrCreateSection("empty");
  cfgtest::AddValue(paths, "key[data]", bytes, 5);
  cfgtest::AddValue(paths, "key", bytes + 4, 1);
  cfgtest::AddValue(&doc, "counter[total]", static_cast<int64_t>(5000000000LL));
  cfgtest::AddValue(&doc, "counter[min]", static_cast<int64_t>(INT64_MIN));
  cfgtest::AddValue(&doc, "note[text]", "");
  // 8-bit bytes and control characters other than CR and LF, Ctrl-Z included.
  cfgtest::AddValue(doc.FindOrCreateSection("\xC4nderung"), "bytes[\xE4]", "tab\there \x1A ctrl-z \xE4\xFF\x01 end");
  cfgtest::AddValue(&doc, std::string(3000, 'r') + "[" + std::string(2000, 'v') + "]", std::string(10000, 's').c_str());

  ASSERT_EQ(doc.Save(), 1);
  Section second(cfg::kFileSection, Path("first.cfg").c_str());
  ASSERT_EQ(second.Load(), 1);
  EXPECT_EQ(Describe(second), Describe(doc));
  second.SetName(Path("second.cfg").c_str());
  ASSERT_EQ(second.Save(), 1);
  std::string first = cfgtest::ReadFile(Path("first.cfg"));
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(cfgtest::ReadFile(Path("second.cfg")), first);
}

// --- saves that fail lose nothing ---

TEST_F(FileTest, SaveIntoAMissingDirectoryFails) {
  std::string path = Path("no/such/dir/doc.cfg");
  Section doc(cfg::kFileSection, path.c_str());
  cfgtest::AddValue(&doc, "a", 1);
  EXPECT_EQ(doc.Save(), 0);
  EXPECT_FALSE(cfgtest::FileExists(Path("no")));
}

TEST_F(FileTest, SaveOntoADirectoryFails) {
  std::string path = Path("dir.cfg");
  fs::create_directory(path);
  cfgtest::WriteFile(path + "/inside", "kept");
  Section doc(cfg::kFileSection, path.c_str());
  cfgtest::AddValue(&doc, "a", 1);
  EXPECT_EQ(doc.Save(), 0);
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(cfgtest::ReadFile(path + "/inside"), "kept");
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(dir_.Path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1) << "no temporary file is left behind";
}

#ifndef _WIN32
// Runs body as an unprivileged user when the tests run as root, since root
// writes into read-only directories. body returns 0 for success.
int AsUnprivileged(int (*body)(const std::string&), const std::string& arg) {
  if (geteuid() != 0) return body(arg);
  pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    _exit(body(arg));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST_F(FileTest, SaveIntoAReadOnlyDirectoryKeepsTheOldFile) {
  std::string dir = Path("ro");
  fs::create_directory(dir);
  std::string path = dir + "/doc.cfg";
  cfgtest::WriteFile(path, "(int)old=1\n");
  chmod(path.c_str(), 0644);
  chmod(dir.c_str(), 0555);
  chmod(dir_.Path().c_str(), 0755);
  int result = AsUnprivileged(
      [](const std::string& p) -> int {
        Section doc(cfg::kFileSection, p.c_str());
        cfgtest::AddValue(&doc, "new", 2);
        if (doc.Save() != 0) return 1;
        if (cfgtest::ReadFile(p) != "(int)old=1\n") return 2;
        return 0;
      },
      path);
  EXPECT_EQ(result, 0) << "1: Save reported success, 2: the old file changed";
  EXPECT_EQ(cfgtest::ReadFile(path), "(int)old=1\n");
  // Nothing was left in the directory.
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(FileTest, SaveKeepsPermissionBits) {
  std::string path = Path("mode.cfg");
  cfgtest::WriteFile(path, "(int)old=1\n");
  chmod(path.c_str(), 0640);
  Section doc(cfg::kFileSection, path.c_str());
  cfgtest::AddValue(&doc, "a", 1);
  ASSERT_EQ(doc.Save(), 1);
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(FileTest, SaveThroughASymbolicLinkReplacesItsTarget) {
  fs::create_directory(Path("real"));
  std::string target = Path("real/target.cfg");
  cfgtest::WriteFile(target, "(int)old=1\n");
  std::string link = Path("link.cfg");
  fs::create_symlink("real/target.cfg", link);
  Section doc(cfg::kFileSection, link.c_str());
  cfgtest::AddValue(&doc, "new", 2);
  ASSERT_EQ(doc.Save(), 1);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(cfgtest::ReadFile(target), "(int)new=2\n");
  EXPECT_EQ(cfgtest::ReadFile(link), "(int)new=2\n");
}
#endif

#ifdef __linux__
TEST_F(FileTest, SaveReportsAFullDevice) {
  Section doc(cfg::kFileSection, "/dev/full");
  for (int i = 0; i < 1000; ++i) cfgtest::AddValue(&doc, "r", "a line of text");
  EXPECT_EQ(doc.Save(), 0);
  struct stat info;
  ASSERT_EQ(stat("/dev/full", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode)) << "the device is still there";
}
#endif

// --- depth is bounded by memory only ---

// Loading, copying and destroying are free of recursion; a deep tree is also
// saved, on a small stack where the platform lets us choose one.
constexpr int kDeepLoad = 1000000;

TEST_F(FileTest, DeepNesting) {
  std::string path = Path("deep.cfg");
  {
    std::string text;
    text.reserve(static_cast<size_t>(kDeepLoad) * 10 + 16);
    for (int i = 0; i < kDeepLoad; ++i) text += "{ s:\n";
    text += "(int)v=7\n";
    for (int i = 0; i < kDeepLoad; ++i) text += "} s;\n";
    cfgtest::WriteFile(path, text);
  }
  auto depthOf = [](const Section& root, const Section** deepest) {
    int depth = 0;
    const Section* s = &root;
    while (s->Count() == 1 && !s->SectionAt(1)->IsNull()) {
      s = s->SectionAt(1);
      ++depth;
    }
    *deepest = s;
    return depth;
  };
  {
    auto doc = std::make_unique<Section>(cfg::kFileSection, path.c_str());
    ASSERT_EQ(doc->Load(), 1);
    const Section* deepest = nullptr;
    ASSERT_EQ(depthOf(*doc, &deepest), kDeepLoad);
    EXPECT_EQ(deepest->RecordByName("v")->ValueAt(1)->GetInt(), 7);
    std::unique_ptr<Section> copy = doc->CloneSection();
    ASSERT_EQ(depthOf(*copy, &deepest), kDeepLoad);
    doc->FreeItemsOnTwoThreads();
    EXPECT_EQ(doc->Count(), 0);
    doc.reset();
    copy.reset();
  }
  {
    // Saving indents every level, so the file grows with the square of the
    // depth: a moderate depth, written on a small stack.
    const int kDeepSave = 3000;
    Section doc(cfg::kFileSection, Path("saved.cfg").c_str());
    Section* s = &doc;
    for (int i = 0; i < kDeepSave; ++i) s = s->FindOrCreateSection("s");
    cfgtest::AddValue(s, "v", 7);
    int saved = -1;
    auto save = [&] { saved = doc.Save(); };
#ifndef _WIN32
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);
    pthread_t thread;
    auto run = [](void* arg) -> void* {
      (*static_cast<decltype(save)*>(arg))();
      return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, &save), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
#else
    save();
#endif
    ASSERT_EQ(saved, 1);
    Section back(cfg::kFileSection, Path("saved.cfg").c_str());
    ASSERT_EQ(back.Load(), 1);
    const Section* deepest = nullptr;
    EXPECT_EQ(depthOf(back, &deepest), kDeepSave);
    EXPECT_EQ(deepest->RecordByName("v")->ValueAt(1)->GetInt(), 7);
  }
}

}  // namespace
