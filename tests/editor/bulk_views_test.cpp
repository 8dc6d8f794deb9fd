// The views filled in bulk show what filling them one line at a time shows:
// the same lines in the same order with the same item data, after every kind
// of refill; and documents nested far deeper than a thread's stack open,
// refill, paste, delete and close.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "editor/main_dialog.h"
#include "editor_harness.h"
#include "resources/resource.h"

namespace editor_test {
namespace {

// What a list box shows: its lines in order, each with its item data.
struct Shown {
  std::vector<std::string> lines;
  std::vector<LPARAM> data;
  bool operator==(const Shown& other) const { return lines == other.lines && data == other.data; }
};

void PrintTo(const Shown& shown, std::ostream* out) {
  for (size_t i = 0; i < shown.lines.size(); ++i) *out << "\n  " << shown.lines[i] << " @" << shown.data[i];
}

Shown Read(HWND list) {
  Shown shown;
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
    std::string line(length + 1, '\0');
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
    line.resize(length);
    shown.lines.push_back(line);
    shown.data.push_back(SendMessageA(list, LB_GETITEMDATA, i, 0));
  }
  return shown;
}

// The styles of the editor's records and values lists.
constexpr DWORD kListStyles =
    LBS_NOTIFY | LBS_SORT | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL;

// What a list box of the editor's kind shows after the lines are added one
// at a time, in the given order, each with its item data set at the index
// the add returned.
Shown OneByOne(const std::vector<std::string>& texts, const std::vector<LPARAM>& data) {
  HWND list = CreateWindowExA(0, "ListBox", "", WS_POPUP | kListStyles, 0, 0, 200, 200, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  for (size_t i = 0; i < texts.size(); ++i) {
    const LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i].c_str()));
    if (index != LB_ERR) SendMessageA(list, LB_SETITEMDATA, index, data[i]);
  }
  Shown shown = Read(list);
  DestroyWindow(list);
  return shown;
}

// The records list as the one-by-one adds of the section's records show it.
Shown ExpectedRecords(const cfg::Section* section) {
  std::vector<std::string> names;
  for (int i = 1; i <= section->Count(); ++i)
    if (!section->RecordAt(i)->IsNull()) names.emplace_back(section->RecordAt(i)->GetName());
  return OneByOne(names, std::vector<LPARAM>(names.size(), 0));
}

// The values list as the one-by-one adds of the record's values, in slot
// order, show it; each value's line text is taken from what the editor shows
// for it (matched by item data), so only the placement is compared here.
Shown ExpectedValues(const cfg::Record* record, const Shown& shown) {
  std::vector<std::string> texts;
  std::vector<LPARAM> data;
  for (int i = 1; i <= record->Count(); ++i) {
    const auto value = reinterpret_cast<LPARAM>(record->ValueAt(i));
    for (size_t k = 0; k < shown.data.size(); ++k) {
      if (shown.data[k] == value) {
        texts.push_back(shown.lines[k]);
        data.push_back(value);
      }
    }
  }
  return OneByOne(texts, data);
}

// The tree's items depth first, as text, lParam and whether a button shows,
// each item's children as expanding it shows them; the document's sections in
// the same walk. Both without recursion.
using Items = std::vector<std::tuple<std::string, LPARAM, bool>>;

Items TreeItems(HWND tree) {
  Items items;
  HTREEITEM item = NextItem(tree, nullptr, TVGN_ROOT);
  while (item != nullptr) {
    TreeItemData data = ReadTreeItem(tree, item);
    items.emplace_back(data.text, data.param, ShowsButton(tree, item));
    HTREEITEM after = FirstChildShown(tree, item);
    while (after == nullptr && item != nullptr) {
      after = NextItem(tree, item, TVGN_NEXT);
      item = NextItem(tree, item, TVGN_PARENT);
    }
    item = after;
  }
  return items;
}

Items DocumentItems(const cfg::Section* root) {
  Items items;
  std::vector<std::pair<const cfg::Section*, int>> levels{{root, 1}};
  while (!levels.empty()) {
    auto& [section, next] = levels.back();
    if (next > section->Count()) {
      levels.pop_back();
      continue;
    }
    cfg::Section* child = section->SectionAt(next++);
    if (child->IsNull()) continue;
    bool hasChildSections = false;
    for (int i = 1; i <= child->Count(); ++i) hasChildSections = hasChildSections || !child->SectionAt(i)->IsNull();
    items.emplace_back(child->GetName(), reinterpret_cast<LPARAM>(child), hasChildSections);
    levels.push_back({child, 1});
  }
  return items;
}

// Names the list box's comparison orders otherwise than their bytes, or
// holds equal although their bytes differ (the 8-bit letters differ only in
// case in the ANSI code page, and the document tells them apart).
const char* const kTrickyNames[] = {
    "beta",   "Alpha",  "_under", "under_", "a_b",       "ab",        "a-b",     "a.b",
    "a1",     "A10",    "a9",     "10",     "9",         "~tilde",    "Zeta",    "zz",
    "\xe4",   "\xc4",   "\xe9t\xe9", "\xc9t\xc9", "caf\xe9", "CAF\xc9", "co-op",  "coop",
    "co'op",  "#hash",  "$",      "@at",    "\xdf",      "ss",        "\xf8",    "o",
};

std::string TrickyDocument() {
  std::string text = "(int)root[v]=1\n(int)Root2[v]=2\n(int)\xe4root[v]=3\n{ mixed:\n";
  for (const char* name : kTrickyNames) text += std::string("    (int)") + name + "[v]=1\n";
  // Runs of names the comparison holds equal, interleaved with others, so
  // that the list box's search meets them at many different places.
  for (int i = 0; i < 40; ++i) {
    const std::string n = std::to_string(i % 13);
    text += "    (int)\xe4" + n + "x" + std::to_string(i) + "[v]=1\n";
    text += "    (int)\xc4" + n + "x" + std::to_string(i) + "[v]=1\n";
    text += "    (int)r_" + std::to_string(i * 7 % 40) + "[v]=1\n";
  }
  // Unnamed values repeat their lines exactly; only the item data tells them apart.
  const char* const strings[] = {"a", "A", "b", "_", "\xe4", "\xc4"};
  for (int i = 0; i < 60; ++i) {
    text += "    (int)values=" + std::to_string(i % 3) + "\n";
    text += std::string("    (string)values=") + strings[i % 6] + "\n";
    if (i % 4 == 0) text += "    (int)values[\xe4" + std::to_string(i) + "]=" + std::to_string(i % 2) + "\n";
    if (i % 4 == 1) text += "    (int)values[\xc4" + std::to_string(i - 1) + "]=" + std::to_string(i % 2) + "\n";
  }
  text += "} mixed;\n{ other:\n    (int)x[v]=1\n    (int)X\xe4[v]=1\n    (int)x\xc4[v]=1\n} other;\n";
  return text;
}

// File > Open of path through the Open dialog; returns once the editor has
// opened it.
void OpenThroughTheDialog(EditorRun& e, const std::string& path) {
  e.PostCommand(IDM_OPEN);
  HWND open = e.WaitForWindow("Open");
  ASSERT_NE(open, nullptr);
  e.FileDialogAccept(open, path);
  ASSERT_TRUE(e.WaitGone(open));
  e.Sync();
}

class BulkViews : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Write("tricky.cfg", TrickyDocument());
    editor_ = std::make_unique<EditorRun>(path_);
    ASSERT_NE(editor_->Main(), nullptr);
  }

  HWND Control(int id) { return GetDlgItem(editor_->Main(), id); }

  void ExpectTreeAsDocument() {
    EXPECT_EQ(TreeItems(Control(IDC_TREE)), DocumentItems(CurrentDocument()));
  }
  void ExpectRecordsAsOneByOne() {
    ASSERT_NE(editor_->Current(), nullptr);
    EXPECT_EQ(Read(Control(IDC_RECORDS)), ExpectedRecords(editor_->Current()));
  }
  void ExpectValuesAsOneByOne(const char* recordName) {
    Shown shown = Read(Control(IDC_VALUES));
    const cfg::Record* record = editor_->Current()->RecordByName(recordName);
    EXPECT_EQ(shown, ExpectedValues(record, shown));
    int listed = 0;
    for (int i = 1; i <= record->Count(); ++i) {
      const cfg::ValueType type = record->ValueAt(i)->Type();
      listed += type == cfg::ValueType::Int || type == cfg::ValueType::String;
    }
    EXPECT_EQ(shown.lines.size(), static_cast<size_t>(listed));
  }

  TempDir dir_;
  std::string path_;
  std::unique_ptr<EditorRun> editor_;
};

TEST_F(BulkViews, EveryRefillShowsWhatOneByOneAddsShow) {
  EditorRun& e = *editor_;
  ExpectTreeAsDocument();

  ASSERT_TRUE(e.SelectItem("mixed"));
  ASSERT_EQ(Read(Control(IDC_RECORDS)).lines.size(), std::size(kTrickyNames) + 3 * 40 + 1);
  ExpectRecordsAsOneByOne();

  // Each step refills the values list of record "values".
  struct Step {
    const char* what;
    std::function<void()> act;
  };
  const Step steps[] = {
      {"select the record", [&] { ASSERT_TRUE(e.SelectLine(IDC_RECORDS, "values")); }},
      {"add an unnamed int that repeats a line",
       [&] {
         e.SetField(IDC_VALUE_NAME, "");
         e.SetField(IDC_VALUE_TEXT, "1");
         e.SelectType(0);
         e.Command(IDM_VALUE_ADD);
       }},
      {"add an unnamed string equal to others but for case",
       [&] {
         e.SetField(IDC_VALUE_NAME, "");
         e.SetField(IDC_VALUE_TEXT, "\xc4");
         e.SelectType(1);
         e.Command(IDM_VALUE_ADD);
       }},
      {"add a named int",
       [&] {
         e.SetField(IDC_VALUE_NAME, "\xe4new");
         e.SetField(IDC_VALUE_TEXT, "0");
         e.SelectType(0);
         e.Command(IDM_VALUE_ADD);
       }},
      {"update a repeated line",
       [&] {
         ASSERT_TRUE(e.SelectLine(IDC_VALUES, "(int) = 2"));
         e.SetField(IDC_VALUE_NAME, "");
         e.SetField(IDC_VALUE_TEXT, "0");
         e.SelectType(0);
         e.Command(IDM_VALUE_UPDATE);
       }},
  };
  const size_t valuesBefore = e.Current()->RecordByName("values")->Count();
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    ExpectValuesAsOneByOne("values");
  }
  EXPECT_EQ(e.Current()->RecordByName("values")->Count(), static_cast<int>(valuesBefore) + 3);

  e.Command(IDM_GO_TO_ROOT);
  ExpectRecordsAsOneByOne();
  EXPECT_EQ(Read(Control(IDC_RECORDS)).lines.size(), 3u);
}

TEST_F(BulkViews, DocumentRefillsShowTheTreeAsTheDocument) {
  EditorRun& e = *editor_;
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* tree;  // the top of the tree as TreeText shows it
  };
  const Step steps[] = {
      {"paste", [&] {
         ASSERT_TRUE(e.SelectItem("mixed"));
         e.Command(IDM_SECTION_COPY);
         ASSERT_TRUE(e.SelectItem("other"));
         e.Command(IDM_SECTION_PASTE);
       }, "mixed,other(mixed)"},
      {"section delete of a top-level section", [&] {
         ASSERT_TRUE(e.SelectItem("mixed"));
         e.Command(IDM_SECTION_DELETE);
       }, "other(mixed)"},
      {"new", [&] { e.Command(IDM_NEW); }, "MAIN"},
      {"drop", [&] {
         e.Drop({path_});
         e.Sync();
       }, "mixed,other"},
      {"open", [&] { OpenThroughTheDialog(e, path_); }, "mixed,other"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(e.TreeText(), step.tree);
    ExpectTreeAsDocument();
  }

  // Deleting the selected top-level section selects its neighbour, whose
  // records are then listed.
  ASSERT_TRUE(e.SelectItem("mixed"));
  e.Command(IDM_SECTION_DELETE);
  EXPECT_EQ(e.SelectedPath(), "other");
  ExpectRecordsAsOneByOne();
  EXPECT_EQ(Read(Control(IDC_RECORDS)).lines.size(), 3u);
}

// Far deeper than the tree view's recursive deletion survives (it overflows
// the stack at some 20,000 levels), and than a tree view that looks each item
// up among all its items could hold: the editor inserts the items on view.
constexpr int kChainDepth = 1000000;
// How many levels of the chain the test expands.
constexpr int kLevelsExpanded = 3;
// The items at the top level of the chain's document: "p" and d0.
constexpr int kTopLevelItems = 2;

// A document of an empty section "p" and a chain of sections d0 > d1 > ...
std::string ChainDocument() {
  std::string text = "{ p:\n} p;\n";
  for (int i = 0; i < kChainDepth; ++i) text += "{ d" + std::to_string(i) + ":\n";
  for (int i = kChainDepth; i-- > 0;) text += "} d" + std::to_string(i) + ";\n";
  return text;
}

TEST(BulkViewsDeep, ChainOfAMillionLevelsOpensRefillsPastesDeletesAndCloses) {
  TempDir dir;
  const std::string path = dir.Write("chain.cfg", ChainDocument());
  EditorRun e(path);
  ASSERT_NE(e.Main(), nullptr);
  HWND tree = GetDlgItem(e.Main(), IDC_TREE);
  auto count = [tree] { return static_cast<int>(SendMessageA(tree, TVM_GETCOUNT, 0, 0)); };
  // Only the top level is in; d0 shows a button, the empty "p" none.
  ASSERT_EQ(count(), kTopLevelItems);
  EXPECT_FALSE(ShowsButton(tree, e.FindItem("p")));
  // The chain's top items carry their sections, each level coming in as its
  // parent is expanded.
  HTREEITEM item = e.FindItem("d0");
  const cfg::Section* section = CurrentDocument()->SectionAt(2);
  for (int level = 0; level < kLevelsExpanded; ++level) {
    SCOPED_TRACE(level);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(ReadTreeItem(tree, item).param, reinterpret_cast<LPARAM>(section));
    EXPECT_TRUE(ShowsButton(tree, item));
    item = FirstChildShown(tree, item);
    section = section->SectionAt(1);
  }
  EXPECT_EQ(count(), kTopLevelItems + kLevelsExpanded);

  ASSERT_TRUE(e.SelectItem("d0"));
  e.Command(IDM_SECTION_COPY);
  ASSERT_TRUE(e.SelectItem("p"));
  e.Command(IDM_SECTION_PASTE);
  EXPECT_EQ(count(), kTopLevelItems);
  EXPECT_TRUE(ShowsButton(tree, e.FindItem("p")));
  EXPECT_NE(e.FindItem("p/d0/d1"), nullptr);

  ASSERT_TRUE(e.SelectItem("p"));
  e.Command(IDM_SECTION_DELETE);
  EXPECT_EQ(e.FindItem("p"), nullptr);
  EXPECT_NE(e.FindItem("d0/d1"), nullptr);
  EXPECT_EQ(e.SelectedPath(), "d0");

  struct Refill {
    const char* what;
    std::function<void()> act;
    const char* top;  // the top level of the tree
  };
  const Refill refills[] = {
      {"new", [&] { e.Command(IDM_NEW); }, "MAIN"},
      {"open", [&] { OpenThroughTheDialog(e, path); }, "p,d0"},
      {"new after open", [&] { e.Command(IDM_NEW); }, "MAIN"},
      {"drop", [&] {
         e.Drop({path});
         e.Sync();
       }, "p,d0"},
  };
  for (const Refill& refill : refills) {
    SCOPED_TRACE(refill.what);
    refill.act();
    std::string top;
    for (HTREEITEM at = NextItem(tree, nullptr, TVGN_ROOT); at != nullptr; at = NextItem(tree, at, TVGN_NEXT))
      top += (top.empty() ? "" : ",") + ReadTreeItem(tree, at).text;
    EXPECT_EQ(top, refill.top);
    EXPECT_EQ(count(), static_cast<int>(std::count(top.begin(), top.end(), ',')) + 1);
  }

  // Exit with the chain's document open.
  e.PostCommand(IDM_EXIT);
  ASSERT_TRUE(e.WaitEnded());
  EXPECT_EQ(e.Result(), 0);
}

// A chain expanded far deeper than a tree view's recursive deletion could go
// (Wine's runs out of stack some 20,000 levels down): New and Exit empty the
// tree in cuts of bounded depth.
constexpr int kExpandedChainDepth = 30000;

TEST(BulkViewsDeep, ChainExpandedDeeperThanTheStackEmptiesOnNew) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < kExpandedChainDepth; ++i) text += "{ e" + std::to_string(i) + ":\n";
  for (int i = kExpandedChainDepth; i-- > 0;) text += "} e" + std::to_string(i) + ";\n";
  const std::string path = dir.Write("expanded.cfg", text);
  EditorRun e(path);
  ASSERT_NE(e.Main(), nullptr);
  HWND tree = GetDlgItem(e.Main(), IDC_TREE);
  auto count = [tree] { return static_cast<int>(SendMessageA(tree, TVM_GETCOUNT, 0, 0)); };
  HTREEITEM item = e.FindItem("e0");
  for (int level = 1; level < kExpandedChainDepth && item != nullptr; ++level)
    item = FirstChildShown(tree, item);
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(count(), kExpandedChainDepth);

  // New empties the tree as Exit does, through the same cuts.
  e.Command(IDM_NEW);
  EXPECT_EQ(e.TreeText(), "MAIN");
  EXPECT_EQ(count(), 1);
  e.PostCommand(IDM_EXIT);
  ASSERT_TRUE(e.WaitEnded());
  EXPECT_EQ(e.Result(), 0);
}

}  // namespace
}  // namespace editor_test
