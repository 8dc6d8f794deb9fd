// A long run of the real editor: a seeded random sequence of user actions on
// a document of a few hundred sections, then checks that the editor still
// answers, that its tree and lists show its document, and that what it saves
// loads back. The seed is printed; CFGEDIT_LONG_RUN_SEED replays a run.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "config/config_stream.h"
#include "editor/main_dialog.h"
#include "editor_harness.h"
#include "resources/resource.h"
#include "tests/tree_fill.h"

namespace editor_test {
namespace {

constexpr uint32_t kDefaultSeed = 20261210;
constexpr int kActions = 2000;
constexpr int kSections = 300;
// Copy and Paste can double the document; past this many nodes the run
// pastes no more, so that it stays a few minutes long.
constexpr int kNodeLimit = 4000;

uint32_t RunSeed() {
  const char* text = std::getenv("CFGEDIT_LONG_RUN_SEED");
  if (text == nullptr || *text == '\0') return kDefaultSeed;
  return static_cast<uint32_t>(std::strtoul(text, nullptr, 0));
}

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  int Below(int count) { return count <= 0 ? 0 : static_cast<int>(engine_() % static_cast<uint32_t>(count)); }
  bool Chance(int percent) { return Below(100) < percent; }
  template <class T>
  const T& Pick(const std::vector<T>& items) { return items[Below(static_cast<int>(items.size()))]; }

 private:
  std::mt19937 engine_;
};

// The document the run starts on: nested sections S0..S299 with records of
// int and string values and now and then the other types.
void BuildDocument(const std::string& path, Random& random) {
  cfg::Section document(cfg::kFileSection, path.c_str());
  std::vector<std::pair<cfg::Section*, int>> parents{{&document, 0}};  // section, depth
  auto addRecords = [&random](cfg::Section* section, int count) {
    for (int r = 0; r < count; ++r) {
      std::string record = "r" + std::to_string(r);
      cfgtest::AddValue(section, record + "[i]", static_cast<int32_t>(random.Below(2000) - 1000));
      cfgtest::AddValue(section, record + "[s]", ("text " + std::to_string(random.Below(100))).c_str());
      switch (random.Below(6)) {
        case 0: cfgtest::AddValue(section, record + "[f]", static_cast<float>(1.5f)); break;
        case 1: cfgtest::AddValue(section, record + "[d]", static_cast<double>(-2.25)); break;
        case 2: cfgtest::AddValue(section, record + "[l]", static_cast<int64_t>(int64_t{1} << 40)); break;
        case 3: {
          const uint8_t bytes[] = {0x01, 0xab, 0x7f};
          cfgtest::AddValue(section, record + "[b]", bytes, 3);
          break;
        }
        default: break;
      }
    }
  };
  addRecords(&document, 2);
  for (int i = 0; i < kSections; ++i) {
    auto [parent, depth] = random.Chance(15) ? parents.front() : parents[random.Below(static_cast<int>(parents.size()))];
    cfg::Section* section = parent->FindOrCreateSection("S" + std::to_string(i));
    ASSERT_NE(section, nullptr);
    addRecords(section, random.Below(4));
    if (depth < 5) parents.push_back({section, depth + 1});
  }
  ASSERT_EQ(document.Save(), 1);
}

int CountNodes(const cfg::Section* section) {
  int count = 1;
  for (int i = 1; i <= section->Count(); ++i) {
    cfg::Section* child = section->SectionAt(i);
    count += child->IsNull() ? 1 : CountNodes(child);
  }
  return count;
}

bool Contains(const cfg::Section* section, const cfg::Section* wanted) {
  if (section == wanted) return true;
  for (int i = 1; i <= section->Count(); ++i) {
    cfg::Section* child = section->SectionAt(i);
    if (!child->IsNull() && Contains(child, wanted)) return true;
  }
  return false;
}

// Whether the saved text of section loads back as another tree: two named
// children of one section whose names differ in ASCII case at most load back
// as one, and a pasted copy of a whole document (a section with the file
// flag) is written without a block of its own, its children among its
// parent's.
bool LoadsBackDifferently(const cfg::Section* section) {
  std::vector<std::string> names;
  for (int i = 1; i <= section->Count(); ++i) {
    cfg::NamedObject* item = section->ItemAt(i);
    if (item == nullptr) continue;
    // A copy of a new document is unnamed: its file flag is looked at first.
    cfg::Section* child = section->SectionAt(i);
    if (!child->IsNull() && (child->IsFile() || LoadsBackDifferently(child))) return true;
    if (item->GetName() == nullptr) continue;
    std::string name = item->GetName();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return std::adjacent_find(names.begin(), names.end()) != names.end();
}

std::string Saved(const cfg::Section& section) {
  cfg::ConfigStream stream(cfg::InMemory{});
  section.SaveSection(stream);
  stream.Close();
  std::string text;
  for (char c : stream.Output())
    if (c != '\r') text += c;
  return text;
}

// Matches the items below one parent item with the child sections of section
// by their lParam and notes every section without an item, every item without
// a section, every text that is not its section's name and every button that
// does not tell whether its section has child sections; the children of an
// item as expanding it shows them. Siblings are
// compared without their order: Section Add appends its item after the last
// sibling while the section itself takes the lowest empty slot.
void CompareTree(HWND tree, HTREEITEM first, const cfg::Section* section, const std::string& path,
                 std::vector<std::string>& problems) {
  struct Item {
    HTREEITEM handle;
    LPARAM param;
    std::string text;
    bool matched;
  };
  std::vector<Item> items;
  for (HTREEITEM item = first; item != nullptr; item = NextItem(tree, item, TVGN_NEXT)) {
    TreeItemData data = ReadTreeItem(tree, item);
    items.push_back({item, data.param, data.text, false});
  }
  for (int i = 1; i <= section->Count(); ++i) {
    cfg::Section* child = section->SectionAt(i);
    if (child->IsNull()) continue;
    std::string name = child->GetName() != nullptr ? child->GetName() : "";
    std::string where = path + "/" + name;
    auto found = std::find_if(items.begin(), items.end(), [child](const Item& item) {
      return !item.matched && item.param == reinterpret_cast<LPARAM>(child);
    });
    if (found == items.end()) {
      problems.push_back("no item for " + where);
      continue;
    }
    found->matched = true;
    if (found->text != name) problems.push_back("the item of " + where + " reads " + found->text);
    bool hasChildSections = false;
    for (int k = 1; k <= child->Count(); ++k) hasChildSections = hasChildSections || !child->SectionAt(k)->IsNull();
    if (ShowsButton(tree, found->handle) != hasChildSections)
      problems.push_back("the button of " + where + " does not tell whether it has child sections");
    CompareTree(tree, FirstChildShown(tree, found->handle), child, where, problems);
  }
  for (const Item& item : items)
    if (!item.matched)
      problems.push_back("item " + item.text + " below " + (path.empty() ? "the root" : path) +
                         " shows no section there");
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The lines the values list shows for a record, in any order.
std::vector<std::string> ValueLines(const cfg::Record* record) {
  std::vector<std::string> lines;
  for (int v = 1; v <= record->Count(); ++v) {
    cfg::Value* value = record->ValueAt(v);
    std::string name = value->GetName() != nullptr ? value->GetName() : "";
    if (value->Type() == cfg::ValueType::Int)
      lines.push_back("(int)" + name + " = " + std::to_string(value->GetInt()));
    else if (value->Type() == cfg::ValueType::String)
      lines.push_back("(string)" + name + " = " + value->GetString());
  }
  return Sorted(lines);
}

// Drops one file onto the main window and returns once the editor has
// opened it (the harness's drop is posted and returns at once).
void DropAndWait(HWND main, const std::string& path) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + path.size() + 2);
  auto* block = static_cast<char*>(GlobalLock(memory));
  reinterpret_cast<DROPFILES*>(block)->pFiles = sizeof(DROPFILES);
  std::memcpy(block + sizeof(DROPFILES), path.c_str(), path.size() + 1);
  GlobalUnlock(memory);
  SendMessageA(main, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

// One user at the editor: picks actions at random, as a person clicking
// around would, but never opens a file dialog or saves.
class Player {
 public:
  Player(EditorRun& editor, Random& random, std::string original)
      : e_(editor), random_(random), original_(std::move(original)) {}

  void Act() {
    int roll = random_.Below(1000);
    // Now and then the first document is dropped back onto the window.
    if (roll < 3) {
      DropAndWait(e_.Main(), original_);
      return;
    }
    roll = random_.Below(100);
    if (roll < 16) SelectTreeItem();
    else if (roll < 24) SelectRandomLine(IDC_RECORDS);
    else if (roll < 30) SelectRandomLine(IDC_VALUES);
    else if (roll < 36) e_.SetField(IDC_SECTION_NAME, SectionName());
    else if (roll < 42) e_.SetField(IDC_RECORD_NAME, RecordName());
    else if (roll < 47) e_.SetField(IDC_VALUE_NAME, random_.Pick(kValueNames));
    else if (roll < 52) e_.SetField(IDC_VALUE_TEXT, random_.Pick(kValueTexts));
    else if (roll < 55) e_.SelectType(random_.Below(3) - 1);
    else Command();
  }

 private:
  // A click on an item. (A click never selects no item; only Go to root
  // leaves the tree without a selection.)
  void SelectTreeItem() {
    HWND tree = GetDlgItem(e_.Main(), IDC_TREE);
    HTREEITEM chosen = nullptr;
    for (HTREEITEM first = NextItem(tree, nullptr, TVGN_ROOT); first != nullptr;) {
      std::vector<HTREEITEM> siblings;
      for (HTREEITEM item = first; item != nullptr; item = NextItem(tree, item, TVGN_NEXT)) siblings.push_back(item);
      chosen = random_.Pick(siblings);
      first = random_.Chance(60) ? FirstChildShown(tree, chosen) : nullptr;
    }
    if (chosen != nullptr) e_.SelectItem(chosen);
  }

  void SelectRandomLine(int listId) {
    int count = static_cast<int>(SendDlgItemMessageA(e_.Main(), listId, LB_GETCOUNT, 0, 0));
    e_.SelectLine(listId, random_.Chance(10) ? -1 : random_.Below(count));
  }

  std::string SectionName() {
    int roll = random_.Below(100);
    if (roll < 60) return "N" + std::to_string(++fresh_);
    if (roll < 80) return "S" + std::to_string(random_.Below(kSections));
    if (roll < 90) return "r" + std::to_string(random_.Below(3));
    if (roll < 95) return "s" + std::to_string(random_.Below(kSections));
    return "";
  }

  std::string RecordName() {
    int roll = random_.Below(100);
    if (roll < 50) return "n" + std::to_string(++fresh_);
    if (roll < 75) return "r" + std::to_string(random_.Below(4));
    if (roll < 85) return "R" + std::to_string(random_.Below(4));
    if (roll < 95) return "S" + std::to_string(random_.Below(kSections));
    return "";
  }

  void Command() {
    static const std::vector<int> kCommands = {
        IDM_SECTION_ADD,  IDM_SECTION_DELETE, IDM_SECTION_UPDATE, IDM_GO_TO_ROOT,
        IDM_RECORD_ADD,   IDM_RECORD_UPDATE,  IDM_RECORD_DELETE,  IDM_VALUE_ADD,
        IDM_VALUE_UPDATE, IDM_VALUE_DELETE,   IDM_SECTION_COPY,   IDM_SECTION_PASTE};
    // New throws the whole document away: seldom.
    int id = random_.Below(1000) < 3 ? IDM_NEW : random_.Pick(kCommands);
    // Deleting is frequent enough to empty the document long before the end.
    if (id == IDM_SECTION_DELETE && random_.Chance(50)) id = IDM_SECTION_ADD;
    if (id == IDM_SECTION_PASTE && CountNodes(CurrentDocument()) > kNodeLimit) id = IDM_GO_TO_ROOT;
    // Buttons send BN_CLICKED, menu items 0.
    e_.Command(id, random_.Chance(50) ? BN_CLICKED : 0);
  }

  const std::vector<std::string> kValueNames = {"i", "I", "s", "v0", "v1", "v2", "f", "", "n"};
  const std::vector<std::string> kValueTexts = {"0", "-4", "0x10", "2147483647", "99999999999",
                                                "abc", "", "hello world", "12abc", "  7"};
  EditorRun& e_;
  Random& random_;
  std::string original_;
  int fresh_ = 0;
};

// The tree shows the document's sections in slot order, the records list the
// records of the current section and the values list those of the selected
// record.
void CheckViews(EditorRun& e, const std::string& when) {
  SCOPED_TRACE(when);
  HWND main = e.Main();
  // The tree shows the document's sections in slot order.
  std::vector<std::string> problems;
  CompareTree(GetDlgItem(main, IDC_TREE), NextItem(GetDlgItem(main, IDC_TREE), nullptr, TVGN_ROOT),
              CurrentDocument(), "", problems);
  for (size_t i = 0; i < problems.size() && i < 20; ++i) ADD_FAILURE() << problems[i];

  // The lists show the current section and its selected record; a selected
  // item shows the current section.
  cfg::Section* current = e.Current();
  HWND tree = GetDlgItem(main, IDC_TREE);
  if (HTREEITEM selectedItem = NextItem(tree, nullptr, TVGN_CARET)) {
    TVITEMA data{};
    data.mask = TVIF_PARAM;
    data.hItem = selectedItem;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    EXPECT_EQ(data.lParam, reinterpret_cast<LPARAM>(current)) << "the selected item is not the current section";
  }
  if (current == nullptr) {
    EXPECT_TRUE(e.Lines(IDC_RECORDS).empty());
  } else {
    if (!Contains(CurrentDocument(), current)) {
      ADD_FAILURE() << "the current section is no longer in the document";
      return;
    }
    std::vector<std::string> names;
    for (int i = 1; i <= current->Count(); ++i) {
      cfg::Record* record = current->RecordAt(i);
      if (!record->IsNull()) names.push_back(record->GetName() != nullptr ? record->GetName() : "");
    }
    // Deleting the last selected top-level item leaves the root current with
    // both lists emptied; until an item is selected again the records list
    // holds only the root's records added since (Go to root lists them all).
    const bool rootWithoutItem = current == CurrentDocument() && NextItem(tree, nullptr, TVGN_CARET) == nullptr;
    if (rootWithoutItem) {
      for (const std::string& line : e.Lines(IDC_RECORDS))
        EXPECT_NE(std::find(names.begin(), names.end(), line), names.end()) << "record " << line;
    } else {
      EXPECT_EQ(Sorted(e.Lines(IDC_RECORDS)), Sorted(names));
    }
    int selected = e.Selection(IDC_RECORDS);
    if (selected >= 0) {
      std::string name = e.Lines(IDC_RECORDS)[selected];
      EXPECT_EQ(Sorted(e.Lines(IDC_VALUES)), ValueLines(current->RecordByName(name.c_str())))
          << "values of record " << name;
    }
  }
}

TEST(EditorLongRun, RandomActionsKeepViewsDocumentAndSavedFileInAgreement) {
  const uint32_t seed = RunSeed();
  std::printf("[ long run ] seed %lu, %d actions (CFGEDIT_LONG_RUN_SEED=%lu replays it)\n",
              static_cast<unsigned long>(seed), kActions, static_cast<unsigned long>(seed));
  std::fflush(stdout);
  SCOPED_TRACE("seed " + std::to_string(seed));
  Random random(seed);

  TempDir dir;
  std::string path = dir.Path("long.cfg");
  BuildDocument(path, random);
  EditorRun e(path);
  ASSERT_NE(e.Main(), nullptr);
  ASSERT_EQ(e.AnyOtherWindow(), nullptr) << "a box at start-up";

  Player player(e, random, path);
  for (int action = 1; action <= kActions; ++action) {
    player.Act();
    if (action % 250 == 0) {
      std::printf("[ long run ] action %d: %d nodes\n", action, CountNodes(CurrentDocument()));
      CheckViews(e, "at action " + std::to_string(action));
    }
    if (action % 100 == 0) {
      ASSERT_FALSE(e.Ended()) << "the editor ended at action " << action;
      ASSERT_EQ(e.AnyOtherWindow(), nullptr) << "a window opened by action " << action;
    }
  }

  // Alive and answering.
  HWND main = e.Main();
  ASSERT_TRUE(IsWindow(main));
  DWORD_PTR answer = 0;
  ASSERT_NE(SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer), 0);
  ASSERT_FALSE(e.Ended());
  std::printf("[ long run ] %d nodes in the document after the run\n", CountNodes(CurrentDocument()));

  CheckViews(e, "after the run");

  // Save under a name of the run's own, given as a user does: Go to root,
  // the path into the section name field, Update, Save.
  std::string saved = dir.Path("saved.cfg");
  e.Command(IDM_GO_TO_ROOT);
  e.SetField(IDC_SECTION_NAME, saved);
  e.Command(IDM_SECTION_UPDATE);
  ASSERT_STREQ(CurrentDocument()->GetName(), saved.c_str());
  e.PostCommand(IDM_SAVE);
  BoxInfo box = e.AnswerBox("Success");
  EXPECT_EQ(box.text, "File (" + saved + ") saved.");

  std::string inMemory = Saved(*CurrentDocument());
  std::string fileText = ReadText(saved);
  EXPECT_EQ(fileText, inMemory) << "the file differs from the document";

  cfg::Section loaded(cfg::kFileSection, saved.c_str());
  ASSERT_EQ(loaded.Load(), 1);
  std::string reloaded = Saved(loaded);
  if (LoadsBackDifferently(CurrentDocument())) {
    // The file then loads as its own text read back from memory does.
    std::printf("[ long run ] the document does not load back as it is; comparing with its reload\n");
    cfg::ConfigStream stream(cfg::InMemory{}, inMemory);
    cfg::Section fromMemory(cfg::kFileSection, "");
    fromMemory.LoadSection(stream);
    EXPECT_EQ(reloaded, Saved(fromMemory));
  } else {
    EXPECT_EQ(reloaded, inMemory) << "the saved file loads back as another document";
  }
}

}  // namespace
}  // namespace editor_test
