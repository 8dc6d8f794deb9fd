// The tree search: what it reports, in which order, and where it stops.
#include "config/tree_search.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "config/value_text.h"
#include "tests/tree_fill.h"

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

std::vector<std::string> Search(const cfg::Section& root, const cfg::SearchTest& test,
                                const cfg::RequiredPart& required = {}) {
  std::vector<std::string> hits;
  EXPECT_TRUE(cfg::SearchTree(root, test, [&](const SearchHit& hit) {
    hits.push_back(Describe(hit));
    return true;
  }, required));
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
  cfgtest::AddValue(&root, "kept[v]", 1);
  auto unnamedRecord = std::make_unique<cfg::Record>("");
  unnamedRecord->CreateIntValue("v", 2);
  root.AddChild(unnamedRecord);
  auto nullSection = std::make_unique<cfg::Section>();  // unnamed and null
  cfgtest::AddValue(nullSection, "hidden[v]", 3);
  root.AddChild(nullSection);
  auto unnamedSection = std::make_unique<cfg::Section>("");  // unnamed, not null
  cfgtest::AddValue(unnamedSection, "inner[v]", 4);
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
  cfgtest::AddValue(section, "leaf", "needle");
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

// The plain rule that HoldsIgnoringCase gives faster: every place of text,
// byte by byte, folding ASCII capitals.
bool HoldsIgnoringCaseByBytes(std::string_view text, std::string_view part) {
  auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t start = 0; start + part.size() <= text.size(); ++start) {
    size_t i = 0;
    while (i < part.size() && fold(text[start + i]) == fold(part[i])) ++i;
    if (i == part.size()) return true;
  }
  return false;
}

TEST(TreeSearch, HoldsIgnoringCaseAgreesWithTheByteLoop) {
  // Letters in both cases, their neighbours in the case bit, and bytes past
  // ASCII; texts longer than one word and shorter, parts from texts and not.
  const char alphabet[] = {'a', 'A', 'b', 'B', 'z', 'Z', '@', '`', '[', '{', '_', '1', '\xC4', '\xE4', '\0'};
  std::mt19937 random(19);
  auto pick = [&](size_t length) {
    std::string text(length, ' ');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    return text;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string text = pick(random() % 40);
    std::string part = pick(1 + random() % 4);
    if (round % 2 == 0 && !text.empty()) {
      const size_t at = random() % text.size();
      part = text.substr(at, 1 + random() % 6);
      for (char& c : part) {
        if (random() % 2 != 0 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c ^= 0x20;
      }
    }
    SCOPED_TRACE("text \"" + text + "\", part \"" + part + "\"");
    ASSERT_EQ(cfg::HoldsIgnoringCase(text, part), HoldsIgnoringCaseByBytes(text, part));
  }
}

// The texts of many values of each type: the edges and random bit patterns.
std::vector<cfg::Value> ManyValues() {
  std::vector<cfg::Value> values;
  for (int32_t n : {0, -1, 7, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()})
    values.emplace_back(n);
  for (int64_t n : {int64_t{0}, int64_t{-1}, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()})
    values.emplace_back(n);
  for (float f : {0.0f, -0.0f, 0.125f, 1e-7f, 3e38f, 1e-45f, -std::numeric_limits<float>::infinity(),
                  std::numeric_limits<float>::quiet_NaN(), 16777216.0f, 0.1f})
    values.emplace_back(f);
  for (double d : {0.0, -0.0, 2.5, 1e20, 2.5908e-05, 1e-300, 5e-324, 3.14159265358979,
                   std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::quiet_NaN()})
    values.emplace_back(d);
  std::mt19937_64 random(23);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t bits = random();
    const auto low = static_cast<uint32_t>(bits);
    float f;
    double d;
    std::memcpy(&f, &low, sizeof f);
    std::memcpy(&d, &bits, sizeof d);
    values.emplace_back(f);
    values.emplace_back(d);
    values.emplace_back(static_cast<int64_t>(bits));
    values.emplace_back(static_cast<int32_t>(low));
    const uint8_t bytes[] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16)};
    values.emplace_back(bytes, static_cast<int32_t>(1 + bits % 3));
  }
  return values;
}

// ValueTextCanHold answers false only for what no text of the type holds:
// every character of every text written is allowed, in its own case and,
// ignoring case, in the other.
TEST(ValueText, CanHoldAllowsEveryCharacterOfTheTexts) {
  std::string scratch;
  for (const cfg::Value& value : ManyValues()) {
    const std::string_view text = cfg::ValueText(value, &scratch);
    for (char c : text) {
      SCOPED_TRACE(std::string(cfg::TypeWord(value.Type())) + " " + std::string(text));
      ASSERT_TRUE(cfg::ValueTextCanHold(value.Type(), std::string(1, c), false));
      ASSERT_TRUE(cfg::ValueTextCanHold(value.Type(), std::string(1, c), true));
      const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      const char otherCase = letter ? static_cast<char>(c ^ ' ') : c;  // the case bit
      ASSERT_TRUE(cfg::ValueTextCanHold(value.Type(), std::string(1, otherCase), true));
    }
  }
}

TEST(ValueText, CanHoldTurnsAwayWhatTheTypeNeverWrites) {
  using cfg::ValueType;
  struct Case {
    ValueType type;
    const char* part;
    bool ignoreCase;
    bool canHold;
  };
  const Case cases[] = {
      {ValueType::Int, "queue_1", true, false},     {ValueType::Int, "-12", false, true},
      {ValueType::Int64, "1.5", true, false},       {ValueType::Float, "1e-07", false, true},
      {ValueType::Float, "E", false, false},        {ValueType::Float, "E", true, true},
      {ValueType::Float, "NaN", true, true},        {ValueType::Double, "e", false, false},
      {ValueType::Double, "1E+20", false, true},    {ValueType::Double, "-INF", true, true},
      {ValueType::Double, "x", true, false},        {ValueType::Binary, "A FF", false, true},
      {ValueType::Binary, "a ff", false, false},    {ValueType::Binary, "a ff", true, true},
      {ValueType::Binary, "AG", true, false},       {ValueType::String, "anything_at all", false, true},
      {ValueType::None, "0", true, false},          {ValueType::Int, "", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.part) + (c.ignoreCase ? " ignoring case" : ""));
    EXPECT_EQ(cfg::ValueTextCanHold(c.type, c.part, c.ignoreCase), c.canHold);
  }
}

// A search told the part that its test requires gives the hits of the plain
// search, for parts that number and byte texts hold and parts they can not.
TEST(TreeSearch, ARequiredPartGivesThePlainHits) {
  std::unique_ptr<cfg::Section> root = Load(std::string(kTree) +
                                            "(double)big=1E+20\n"
                                            "(double)small=-2.5908E-05\n"
                                            "(float)tiny=1e-07\n"
                                            "(float)odd=nan\n"
                                            "(double)far=-inf\n"
                                            "(int)e[neg]=-12\n"
                                            "(string)e[text]=1E+20 nan A FF\n");
  const char* parts[] = {"",  "e",   "E",  "e+", "E-0", "nan", "NAN", "inf", "-",  "a",    "A F",
                         "f", "ff ", "1",  ".1", "0.1", "125", "host", "x", "e[", "Proxy"};
  for (const char* part : parts) {
    for (bool ignoreCase : {false, true}) {
      SCOPED_TRACE(std::string(part) + (ignoreCase ? " ignoring case" : ""));
      const std::string wanted = part;
      cfg::SearchTest test = [&](std::string_view text) {
        return ignoreCase ? cfg::HoldsIgnoringCase(text, wanted) : Contains(text, wanted);
      };
      EXPECT_EQ(Search(*root, test, {wanted, ignoreCase}), Search(*root, test));
    }
  }
}

}  // namespace
