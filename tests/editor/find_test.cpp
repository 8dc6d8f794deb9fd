// Edit > Find...: the Find dialog's search and list of hits, and going to the
// picked hit in the main window, driven through the real windows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "editor/find_dialog.h"
#include "editor/main_dialog.h"
#include "editor_harness.h"
#include "resources/resource.h"

namespace editor_test {
namespace {

using Lines = std::vector<std::string>;

constexpr char kDocument[] =
    "(int)top[n]=1\n"
    "(string)top[s]=needle at the top\n"
    "{ A:\n"
    "    (int)rec[x]=1\n"
    "    { B:\n"
    "        (int)other[v]=2\n"
    "        { C:\n"
    "            (int)deep[a]=3\n"
    "            (string)deep[name]=a Needle here\n"
    "            (int)deep[count]=42\n"
    "            (float)odd[f]=1.5\n"
    "            (double)odd[d]=2.5\n"
    "            (int64)odd[l]=7\n"
    "            [ odd[bytes]:\n"
    "            1\n"
    "            A\n"
    "            ] odd[bytes];\n"
    "        } C;\n"
    "    } B;\n"
    "} A;\n"
    "{ Z:\n"
    "    (int)zrec[z]=0\n"
    "} Z;\n";
constexpr int kString = 1;  // combo position

std::string WindowText(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// The Find dialog of a running editor, as the user works it.
class FindWindow {
 public:
  explicit FindWindow(EditorRun& editor) : editor_(editor) {
    editor_.PostCommand(IDM_FIND);
    window_ = editor_.WaitForWindow("Find");
  }
  HWND Window() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  void Press(int id, int code = BN_CLICKED) {
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
  }
  // Types the text and presses Find.
  void Search(const std::string& text) {
    SetWindowTextA(Item(IDC_FIND_TEXT), text.c_str());
    Press(IDC_FIND_START);
  }
  Lines Hits() const { return ListLines(Item(IDC_FIND_HITS)); }
  int HitCount() const { return static_cast<int>(SendMessageA(Item(IDC_FIND_HITS), LB_GETCOUNT, 0, 0)); }
  std::string Hit(int line) const {
    HWND list = Item(IDC_FIND_HITS);
    std::string text(SendMessageA(list, LB_GETTEXTLEN, line, 0) + 1, '\0');
    text.resize(SendMessageA(list, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text.data())));
    return text;
  }
  std::string Status() const { return WindowText(Item(IDC_FIND_STATUS)); }
  void Select(int line) { SendMessageA(Item(IDC_FIND_HITS), LB_SETCURSEL, line, 0); }
  // Waits until the dialog is gone and the editor has acted on its end.
  bool Closed() {
    bool gone = editor_.WaitGone(window_);
    editor_.Sync();
    return gone;
  }

 private:
  EditorRun& editor_;
  HWND window_;
};

class EditorFind : public ::testing::Test {
 protected:
  void SetUp() override {
    editor_ = std::make_unique<EditorRun>(dir_.Write("find.cfg", kDocument));
    ASSERT_NE(editor_->Main(), nullptr);
  }
  EditorRun& e() { return *editor_; }
  cfg::Section* Section(const std::vector<const char*>& names) {
    cfg::Section* section = CurrentDocument();
    for (const char* name : names) section = static_cast<cfg::Section*>(section->FindByName(name));
    return section;
  }
  bool Expanded(const std::string& path) { return e().ItemState(e().FindItem(path)) & TVIS_EXPANDED; }
  std::string SelectedLine(int listId) {
    int line = e().Selection(listId);
    return line < 0 ? "" : e().Lines(listId)[line];
  }

  TempDir dir_;
  std::unique_ptr<EditorRun> editor_;
};

TEST_F(EditorFind, PickedValueInANestedSectionIsShownSelectedInEveryView) {
  enum class Pick { GoToButton, DoubleClick, Enter };
  for (Pick pick : {Pick::GoToButton, Pick::DoubleClick, Pick::Enter}) {
    SCOPED_TRACE(static_cast<int>(pick));
    e().Command(IDM_GO_TO_ROOT);
    for (const char* path : {"A/B", "A"})
      SendDlgItemMessageA(e().Main(), IDC_TREE, TVM_EXPAND, TVE_COLLAPSE,
                          reinterpret_cast<LPARAM>(e().FindItem(path)));
    ASSERT_FALSE(Expanded("A"));
    e().SetField(IDC_VALUE_NAME, "stale");
    FindWindow find(e());
    ASSERT_NE(find.Window(), nullptr);
    find.Search("NEEDLE");
    ASSERT_EQ(find.Hits(), (Lines{"top[s]\tstring\tneedle at the top",
                                  "A/B/C/deep[name]\tstring\ta Needle here"}));
    EXPECT_EQ(find.Status(), "2 hits");
    find.Select(1);
    switch (pick) {
      case Pick::GoToButton: find.Press(IDC_FIND_GO_TO); break;
      case Pick::DoubleClick: find.Press(IDC_FIND_HITS, LBN_DBLCLK); break;
      case Pick::Enter:
        // The search left the focus in the list: Enter goes to its selected line.
        PostMessageA(find.Item(IDC_FIND_HITS), WM_KEYDOWN, VK_RETURN, 0);
        break;
    }
    ASSERT_TRUE(find.Closed());

    EXPECT_EQ(e().SelectedPath(), "A/B/C");
    EXPECT_TRUE(Expanded("A"));
    EXPECT_TRUE(Expanded("A/B"));
    EXPECT_EQ(e().Current(), Section({"A", "B", "C"}));
    EXPECT_EQ(e().Lines(IDC_RECORDS), (Lines{"deep", "odd"}));
    EXPECT_EQ(SelectedLine(IDC_RECORDS), "deep");
    EXPECT_EQ(e().Lines(IDC_VALUES), (Lines{"(int)a = 3", "(int)count = 42", "(string)name = a Needle here"}));
    EXPECT_EQ(SelectedLine(IDC_VALUES), "(string)name = a Needle here");
    EXPECT_EQ(e().Field(IDC_VALUE_NAME), "name");
    EXPECT_EQ(e().Field(IDC_VALUE_TEXT), "a Needle here");
    EXPECT_EQ(e().TypeSelection(), kString);
  }
}

TEST_F(EditorFind, PickedSectionRecordOrOtherValueSelectsAsFarAsTheViewsShow) {
  struct Case {
    const char* pattern;
    int line;
    const char* hit;
    const char* path;          // the selected tree item
    std::vector<const char*> current;  // names from the root
    const char* record;        // the selected records line, "" for none
    const char* value;         // the selected values line, "" for none
  };
  const Case cases[] = {
      {"b", 0, "A/B/", "A/B", {"A", "B"}, "", ""},
      {"zREC", 0, "Z/zrec", "Z", {"Z"}, "zrec", ""},
      {"2.5", 0, "A/B/C/odd[d]\tdouble\t2.5", "A/B/C", {"A", "B", "C"}, "odd", ""},
      {"at the", 0, "top[s]\tstring\tneedle at the top", "", {}, "top", "(string)s = needle at the top"},
      {"42", 0, "A/B/C/deep[count]\tint\t42", "A/B/C", {"A", "B", "C"}, "deep", "(int)count = 42"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    ASSERT_TRUE(e().SelectItem("Z"));
    FindWindow find(e());
    find.Search(c.pattern);
    ASSERT_GT(find.Hits().size(), static_cast<size_t>(c.line));
    EXPECT_EQ(find.Hits()[c.line], c.hit);
    find.Select(c.line);
    find.Press(IDC_FIND_GO_TO);
    ASSERT_TRUE(find.Closed());
    EXPECT_EQ(e().SelectedPath(), c.path);
    EXPECT_EQ(e().Current(), Section(c.current));
    EXPECT_EQ(SelectedLine(IDC_RECORDS), c.record);
    EXPECT_EQ(SelectedLine(IDC_VALUES), c.value);
  }
}

TEST_F(EditorFind, ListsHitsOfEveryTypeIgnoringCase) {
  struct Case {
    const char* pattern;
    Lines hits;
    const char* status;
  };
  const Case cases[] = {
      {"ODD", {"A/B/C/odd"}, "1 hit"},
      {"1.5", {"A/B/C/odd[f]\tfloat\t1.500000"}, "1 hit"},
      {"2.5", {"A/B/C/odd[d]\tdouble\t2.5"}, "1 hit"},
      {"7", {"A/B/C/odd[l]\tint64\t7"}, "1 hit"},
      {"1 a", {"A/B/C/odd[bytes]\tbytes\t1 A"}, "1 hit"},
      {"c", {"A/rec", "A/B/C/", "A/B/C/deep[count]\tint\t42", "Z/zrec"}, "4 hits"},
      {"E", {"top[s]\tstring\tneedle at the top", "A/rec", "A/B/other", "A/B/C/deep",
             "A/B/C/deep[name]\tstring\ta Needle here", "A/B/C/odd[bytes]\tbytes\t1 A", "Z/zrec"},
       "7 hits"},
  };
  FindWindow find(e());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    find.Search(c.pattern);
    EXPECT_EQ(find.Hits(), c.hits);
    EXPECT_EQ(find.Status(), c.status);
  }
}

TEST_F(EditorFind, NoHitEmptyTextAndCloseLeaveTheMainWindowAsItWas) {
  ASSERT_TRUE(e().SelectItem("Z"));
  ASSERT_TRUE(e().SelectLine(IDC_RECORDS, "zrec"));
  FindWindow find(e());
  find.Search("zrec");
  ASSERT_EQ(find.Hits().size(), 1u);
  find.Search("nowhere");
  EXPECT_TRUE(find.Hits().empty());
  EXPECT_EQ(find.Status(), "No hits.");
  // Go to without a selected hit, and Find without a text, change nothing.
  find.Press(IDC_FIND_GO_TO);
  find.Search("zrec");
  find.Search("");
  EXPECT_EQ(find.Hits().size(), 1u);
  EXPECT_EQ(find.Status(), "1 hit");
  SendMessageA(find.Item(IDC_FIND_HITS), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  find.Press(IDC_FIND_GO_TO);
  EXPECT_TRUE(IsWindowVisible(find.Window()));
  find.Press(IDC_FIND_CLOSE);
  ASSERT_TRUE(find.Closed());
  EXPECT_EQ(e().SelectedPath(), "Z");
  EXPECT_EQ(SelectedLine(IDC_RECORDS), "zrec");
  EXPECT_EQ(e().Lines(IDC_VALUES), Lines{"(int)z = 0"});

  // Esc ends it the same way.
  FindWindow again(e());
  again.Press(IDCANCEL);
  ASSERT_TRUE(again.Closed());
  EXPECT_EQ(e().SelectedPath(), "Z");
}

// The tree item is shown whole in the tree's client area.
void ExpectInView(HWND tree, HTREEITEM picked) {
  RECT item{};  // TVM_GETITEMRECT takes the item in the rectangle's place
  std::memcpy(&item, &picked, sizeof picked);
  ASSERT_TRUE(SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&item)));
  RECT client{};
  GetClientRect(tree, &client);
  EXPECT_GE(item.top, client.top);
  EXPECT_LE(item.bottom, client.bottom);
}

// A section of many values whose names hold "hit", then one whose name holds
// only "h": the first search has exactly as many hits as are listed, the
// second one more.
std::string ManyHits() {
  std::string text = "{ many:\n";
  for (int i = 0; i < FindDialog::kMaxHits; ++i)
    text += "    (int)r[hit" + std::to_string(i) + "]=" + std::to_string(i) + "\n";
  return text + "} many;\n{ more:\n    (int)x[hat]=1\n} more;\n";
}

TEST(EditorFindLimit, ListsAtMostTheFirstTenThousandHitsAndSaysSo) {
  struct Case {
    const char* pattern;
    const char* status;
  };
  const Case cases[] = {
      {"hit", "10,000 hits"},
      {"h", "Only the first 10,000 hits are shown."},
  };
  TempDir dir;
  EditorRun editor(dir.Write("many.cfg", ManyHits()));
  ASSERT_NE(editor.Main(), nullptr);
  FindWindow find(editor);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    find.Search(c.pattern);
    // Only the ends are read: each line read from another thread is slow.
    ASSERT_EQ(find.HitCount(), FindDialog::kMaxHits);
    EXPECT_EQ(find.Hit(0), "many/r[hit0]\tint\t0");
    EXPECT_EQ(find.Hit(FindDialog::kMaxHits - 1), "many/r[hit9999]\tint\t9999");
    EXPECT_EQ(find.Status(), c.status);
  }
}

// Many sections at the top level: the picked one, far down the list, is
// scrolled into the tree's view.
TEST(EditorFindScroll, PickedSectionFarDownIsScrolledIntoView) {
  constexpr int kSections = 300;
  std::string text;
  for (int i = 0; i < kSections; ++i) {
    std::string name = "s" + std::to_string(i);
    text += "{ " + name + ":\n    (int)r[v]=" + std::to_string(i) + "\n} " + name + ";\n";
  }
  TempDir dir;
  EditorRun editor(dir.Write("wide.cfg", text));
  ASSERT_NE(editor.Main(), nullptr);
  FindWindow find(editor);
  find.Search("s299");
  ASSERT_EQ(find.Hits(), Lines{"s299/"});
  find.Press(IDC_FIND_GO_TO);
  ASSERT_TRUE(find.Closed());
  EXPECT_EQ(editor.SelectedPath(), "s299");
  EXPECT_EQ(editor.Lines(IDC_RECORDS), Lines{"r"});
  ExpectInView(GetDlgItem(editor.Main(), IDC_TREE), editor.FindItem("s299"));
}

// Hits whose items are not in the tree yet: deep inside a chain never
// expanded, and far down a long list of siblings below a parent never
// expanded. Go to brings their items in, selects the hit's item, expands its
// parents and scrolls it into view.
TEST(EditorFindCollapsed, GoToAHitBelowItemsNeverExpandedSelectsItsItem) {
  constexpr int kDepth = 60;
  constexpr int kSiblings = 3000;
  std::string text = "{ chain:\n";
  std::string path = "chain";
  for (int i = 0; i < kDepth; ++i) {
    text += "{ c" + std::to_string(i) + ":\n";
    path += "/c" + std::to_string(i);
  }
  text += "(int)deep[needle]=1\n";
  for (int i = kDepth; i-- > 0;) text += "} c" + std::to_string(i) + ";\n";
  text += "} chain;\n{ wide:\n";
  for (int i = 0; i < kSiblings; ++i) text += "{ w" + std::to_string(i) + ":\n} w" + std::to_string(i) + ";\n";
  text += "{ last:\n(int)rec[pin]=2\n} last;\n} wide;\n";

  struct Case {
    const char* pattern;
    std::string path;
    const char* record;
  };
  const Case cases[] = {
      {"needle", path, "deep"},
      {"pin", "wide/last", "rec"},
  };
  TempDir dir;
  EditorRun editor(dir.Write("collapsed.cfg", text));
  ASSERT_NE(editor.Main(), nullptr);
  HWND tree = GetDlgItem(editor.Main(), IDC_TREE);
  ASSERT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    FindWindow find(editor);
    find.Search(c.pattern);
    ASSERT_EQ(find.HitCount(), 1);
    find.Select(0);
    find.Press(IDC_FIND_GO_TO);
    ASSERT_TRUE(find.Closed());
    EXPECT_EQ(editor.SelectedPath(), c.path);
    EXPECT_EQ(editor.Lines(IDC_RECORDS), Lines{c.record});
    EXPECT_EQ(editor.Lines(IDC_RECORDS)[editor.Selection(IDC_RECORDS)], c.record);
    HTREEITEM picked = NextItem(tree, nullptr, TVGN_CARET);
    ASSERT_NE(picked, nullptr);
    for (HTREEITEM parent = NextItem(tree, picked, TVGN_PARENT); parent != nullptr;
         parent = NextItem(tree, parent, TVGN_PARENT))
      EXPECT_TRUE(editor.ItemState(parent) & TVIS_EXPANDED) << ReadTreeItem(tree, parent).text;
    ExpectInView(tree, picked);
  }
}

}  // namespace
}  // namespace editor_test
