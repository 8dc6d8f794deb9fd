// The tree search: what it reports, in which order, and where it stops.
#include "config/tree_search.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/value_text.h"

namespace {

using cfg::SearchHit;

// Every type, nested sections, a record of the same name in two sections,
// an unnamed value and a byte array.
const char kTree[] =
    "(int)port[number]=8080\n"
    "{ net:\n"
    "    (string)host=example.org\n"
    "    (double)host[timeout]=2.5\n"
    "    { proxy:\n"
    "        (int64)host[limit]=5000000000\n"
    "        [ key[data]:\n"
    "        A\n"
    "        FF\n"
    "        ] key[data];\n"
    "    } proxy;\n"
    "    (float)rate=0.125\n"
    "} net;\n"
    "(string)title=Proxy settings\n";

std::unique_ptr<cfg::Section> Load(const std::string& text) {
  auto root = std::make_unique<cfg::Section>(cfg::kFileSection, "");
  cfg::ConfigStream stream(cfg::InMemory{}, text);
  root->LoadSection(stream);
  return root;
}

// A hit as one line: the kind, the enclosing sections, the record, the value.
std::string Describe(const SearchHit& hit) {
  std::string line = hit.kind == SearchHit::Kind::Section  ? "S "
                     : hit.kind == SearchHit::Kind::Record ? "R "
                                                           : "V ";
  for (const cfg::Section* section : *hit.sections) line += std::string(section->NameView()) + "/";
  if (hit.record != nullptr) line += hit.record->NameView();
  if (hit.value != nullptr) {
    line += "[" + std::string(hit.name) + "]#" + std::to_string(hit.valueSlot) + " " +
            cfg::TypeWord(hit.value->Type()) + " " + std::string(hit.text);
    EXPECT_EQ(hit.value, hit.record->ValueAt(hit.valueSlot));
  } else {
    EXPECT_EQ(hit.valueSlot, 0);
  }
  return line;
}

std::vector<std::string> Search(const cfg::Section& root, const cfg::SearchTest& test) {
  std::vector<std::string> hits;
  EXPECT_TRUE(cfg::SearchTree(root, test, [&](const SearchHit& hit) {
    hits.push_back(Describe(hit));
    return true;
  }));
  return hits;
}

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

TEST(TreeSearch, ReportsHitsInTheOrderASaveWritesThem) {
  std::unique_ptr<cfg::Section> root = Load(kTree);
  struct Case {
    const char* name;
    cfg::SearchTest test;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"everything",
       [](std::string_view) { return true; },
       {"R port", "V port[number]#1 int 8080", "S net/", "R net/host", "V net/host[]#1 string example.org",
        "V net/host[timeout]#2 double 2.5", "S net/proxy/", "R net/proxy/host",
        "V net/proxy/host[limit]#1 int64 5000000000", "R net/proxy/key", "V net/proxy/key[data]#1 bytes A FF",
        "R net/rate", "V net/rate[]#1 float 0.125000", "R title", "V title[]#1 string Proxy settings"}},
      {"names and texts alike",
       [](std::string_view text) { return Contains(text, "ro"); },
       {"S net/proxy/", "V title[]#1 string Proxy settings"}},
      {"a value by its name, once even when its text matches too",
       [](std::string_view text) { return Contains(text, "time") || Contains(text, "2.5"); },
       {"V net/host[timeout]#2 double 2.5"}},
      {"numbers by the text a value line holds",
       [](std::string_view text) { return text == "0.125000" || text == "5000000000" || text == "FF"; },
       {"V net/proxy/host[limit]#1 int64 5000000000", "V net/rate[]#1 float 0.125000"}},
      {"a byte array by its whole text",
       [](std::string_view text) { return text == "A FF"; },
       {"V net/proxy/key[data]#1 bytes A FF"}},
      {"nothing", [](std::string_view) { return false; }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Search(*root, c.test), c.expected);
  }
}

TEST(TreeSearch, SkipsWhatASaveSkips) {
  cfg::Section root(cfg::kFileSection, "");
  root.AddIntValue("kept[v]", 1);
  auto unnamedRecord = std::make_unique<cfg::Record>("");
  unnamedRecord->CreateIntValue("v", 2);
  root.AddChild(unnamedRecord);
  auto nullSection = std::make_unique<cfg::Section>();  // unnamed and null
  nullSection->AddIntValue("hidden[v]", 3);
  root.AddChild(nullSection);
  auto unnamedSection = std::make_unique<cfg::Section>("");  // unnamed, not null
  unnamedSection->AddIntValue("inner[v]", 4);
  root.AddChild(unnamedSection);
  cfg::Record* kept = root.RecordByName("kept");
  std::unique_ptr<cfg::Value> none = std::make_unique<cfg::Value>();
  none->SetName("none");
  kept->AddChild(none);
  kept->CreateIntValue("w", 5);
  kept->RemoveAt(1);  // an empty slot before "none" and "w"

  EXPECT_EQ(Search(root, [](std::string_view) { return true; }),
            (std::vector<std::string>{"R kept", "V kept[w]#3 int 5", "R inner", "V inner[v]#1 int 4"}));
}

TEST(TreeSearch, ASearchOfANamedSectionStartsWithIt) {
  std::unique_ptr<cfg::Section> root = Load(kTree);
  const cfg::Section* net = root->SectionAt(root->IndexOfName("net"));
  EXPECT_EQ(Search(*net, [](std::string_view text) { return Contains(text, "pro"); }),
            (std::vector<std::string>{"S net/proxy/"}));
  EXPECT_EQ(Search(*net, [](std::string_view text) { return text == "net"; }),
            (std::vector<std::string>{"S net/"}));
}

TEST(TreeSearch, TheReceiverEndsTheSearch) {
  std::unique_ptr<cfg::Section> root = Load(kTree);
  for (size_t wanted = 1; wanted <= 3; ++wanted) {
    SCOPED_TRACE(wanted);
    size_t seen = 0;
    EXPECT_FALSE(cfg::SearchTree(*root, [](std::string_view) { return true; },
                                 [&](const SearchHit&) { return ++seen < wanted; }));
    EXPECT_EQ(seen, wanted);
  }
}

TEST(TreeSearch, ADeepTreeIsSearchedWithoutRecursion) {
  // Deep enough to overflow the stack of a recursive walk.
  constexpr int kDepth = 200000;
  cfg::Section root(cfg::kFileSection, "");
  cfg::Section* section = &root;
  for (int i = 0; i < kDepth; ++i) section = section->FindOrCreateSection("s");
  section->AddStringValue("leaf", "needle");
  size_t depth = 0;
  int hits = 0;
  EXPECT_TRUE(cfg::SearchTree(root, [](std::string_view text) { return text == "needle"; },
                              [&](const SearchHit& hit) {
                                depth = hit.sections->size();
                                ++hits;
                                return true;
                              }));
  EXPECT_EQ(hits, 1);
  EXPECT_EQ(depth, static_cast<size_t>(kDepth));
}

TEST(TreeSearch, HoldsIgnoringCaseFoldsOnlyAsciiLetters) {
  struct Case {
    const char* text;
    const char* part;
    bool holds;
  };
  const Case cases[] = {
      {"proxy.Example.org", "EXAMPLE", true},
      {"rec[Port]", "t]", true},
      {"anything", "", true},
      {"", "", true},
      {"", "a", false},
      {"ab", "abc", false},
      {"@", "`", false},           // differ in the case bit, but are no letters
      {"\xC4rger", "\xE4", false},  // letters beyond ASCII keep their case
      {"aaab", "aab", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.part);
    EXPECT_EQ(cfg::HoldsIgnoringCase(c.text, c.part), c.holds);
  }
}

}  // namespace
