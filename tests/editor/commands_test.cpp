// The editing commands of the main window, each driven through the real
// dialog: what it changes in the document, the tree, both lists and the
// fields, and every refusal that leaves them as they were.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/main_dialog.h"
#include "editor_harness.h"
#include "resources/resource.h"

namespace editor_test {
namespace {

using Lines = std::vector<std::string>;

constexpr char kDocument[] =
    "(int)top[n]=1\n"
    "{ A:\n"
    "    (int)rec[x]=1\n"
    "    (string)rec[s]=hello\n"
    "    (int)other[v]=2\n"
    "    { B:\n"
    "        (int)deep[v]=3\n"
    "    } B;\n"
    "} A;\n"
    "{ C:\n"
    "} C;\n";
constexpr char kDocumentDump[] = "top[i:n=1],A{rec[i:x=1,s:s=hello],other[i:v=2],B{deep[i:v=3]}},C{}";
constexpr int kInt = 0;     // combo positions
constexpr int kString = 1;

class EditorCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Write("doc.cfg", kDocument);
    editor_ = std::make_unique<EditorRun>(path_);
    ASSERT_NE(editor_->Main(), nullptr);
  }
  // Section A selected, its record rec selected.
  void SelectRec() {
    ASSERT_TRUE(e().SelectItem("A"));
    ASSERT_TRUE(e().SelectLine(IDC_RECORDS, "rec"));
  }
  void SetValueFields(int type, const std::string& name, const std::string& text) {
    e().SelectType(type);
    e().SetField(IDC_VALUE_NAME, name);
    e().SetField(IDC_VALUE_TEXT, text);
  }
  std::string RecDump() { return Dump(CurrentDocument()->SectionAt(2)->RecordByName("rec")); }
  EditorRun& e() { return *editor_; }

  TempDir dir_;
  std::string path_;
  std::unique_ptr<EditorRun> editor_;
};

// Undo and Redo in the window: the menu items grey and ungrey, an undone
// delete comes back in its place, and the views show where it happened.
TEST_F(EditorCommands, UndoAndRedoShowThePlaceThatChanged) {
  HMENU menu = GetMenu(e().Main());
  auto greyed = [menu](int id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
  EXPECT_TRUE(greyed(IDM_UNDO));
  EXPECT_TRUE(greyed(IDM_REDO));

  SelectRec();
  ASSERT_TRUE(e().SelectLine(IDC_VALUES, "(int)x = 1"));
  e().Command(IDM_VALUE_DELETE);
  EXPECT_EQ(RecDump(), "s:s=hello");
  EXPECT_FALSE(greyed(IDM_UNDO));
  e().Command(IDM_GO_TO_ROOT);
  e().Command(IDM_UNDO, 0);
  EXPECT_EQ(RecDump(), "i:x=1,s:s=hello");
  EXPECT_TRUE(greyed(IDM_UNDO));
  EXPECT_FALSE(greyed(IDM_REDO));
  EXPECT_EQ(e().SelectedPath(), "A");
  EXPECT_EQ(e().Lines(IDC_RECORDS)[e().Selection(IDC_RECORDS)], "rec");
  EXPECT_EQ(e().Lines(IDC_VALUES)[e().Selection(IDC_VALUES)], "(int)x = 1");
  EXPECT_EQ(e().Field(IDC_VALUE_NAME), "x");
  e().Command(IDM_REDO, 0);
  EXPECT_EQ(RecDump(), "s:s=hello");
  EXPECT_EQ(e().Lines(IDC_VALUES), Lines{"(string)s = hello"});
  EXPECT_EQ(e().Selection(IDC_VALUES), -1);

  // A nested section deleted, then undone: its item comes back where it was.
  ASSERT_TRUE(e().SelectItem("A/B"));
  e().Command(IDM_SECTION_DELETE);
  EXPECT_EQ(e().TreeText(), "A,C");
  e().Command(IDM_UNDO, 0);
  EXPECT_EQ(e().TreeText(), "A(B),C");
  EXPECT_EQ(e().SelectedPath(), "A/B");
  EXPECT_EQ(e().Lines(IDC_RECORDS), Lines{"deep"});
  EXPECT_EQ(e().Current(), CurrentDocument()->SectionAt(2)->SectionAt(3));
  // Undone to the start, the document saves as it was read.
  e().Command(IDM_UNDO, 0);
  EXPECT_TRUE(greyed(IDM_UNDO));
  EXPECT_EQ(Dump(CurrentDocument()), kDocumentDump);
}

TEST_F(EditorCommands, SectionAddRefusesTakenNamesAndAppendsCollapsed) {
  ASSERT_TRUE(e().SelectItem("A"));
  for (const char* refused : {"", "REC", "b"}) {
    SCOPED_TRACE(refused);
    e().SetField(IDC_SECTION_NAME, refused);
    e().Command(IDM_SECTION_ADD);
    EXPECT_EQ(e().TreeText(), "A(B),C");
    EXPECT_EQ(Dump(CurrentDocument()), kDocumentDump);
  }
  e().SetField(IDC_SECTION_NAME, "New");
  e().Command(IDM_SECTION_ADD, 0);  // the menu item: notification code 0
  EXPECT_EQ(e().TreeText(), "A(B,New),C");
  EXPECT_EQ(Dump(CurrentDocument()), "top[i:n=1],A{rec[i:x=1,s:s=hello],other[i:v=2],B{deep[i:v=3]},New{}},C{}");
  EXPECT_EQ(e().SelectedPath(), "A");
  EXPECT_FALSE(e().ItemState(e().FindItem("A")) & TVIS_EXPANDED);
  EXPECT_EQ(e().Lines(IDC_RECORDS), (Lines{"other", "rec"}));
  // The new item carries its section: selecting it makes it current.
  ASSERT_TRUE(e().SelectItem("A/New"));
  EXPECT_EQ(e().Current(), CurrentDocument()->SectionAt(2)->SectionAt(4));
}

// The items below a section come in when it is first expanded: a section
// added below a parent never expanded waits there and shows in slot order
// (here the slot a deleted record left, ahead of B), not after B.
TEST_F(EditorCommands, SectionAddBelowANeverExpandedParentShowsInSlotOrderOnExpanding) {
  HWND tree = GetDlgItem(e().Main(), IDC_TREE);
  ASSERT_TRUE(e().SelectItem("A"));
  HTREEITEM a = NextItem(tree, nullptr, TVGN_CARET);
  ASSERT_TRUE(e().SelectLine(IDC_RECORDS, "rec"));
  e().Command(IDM_RECORD_DELETE);
  e().SetField(IDC_SECTION_NAME, "New");
  e().Command(IDM_SECTION_ADD);
  EXPECT_EQ(Dump(CurrentDocument()), "top[i:n=1],A{New{},other[i:v=2],B{deep[i:v=3]}},C{}");
  EXPECT_EQ(NextItem(tree, a, TVGN_CHILD), nullptr);
  EXPECT_TRUE(ShowsButton(tree, a));
  EXPECT_FALSE(e().ItemState(a) & TVIS_EXPANDED);
  EXPECT_EQ(e().SelectedPath(), "A");
  EXPECT_EQ(e().Lines(IDC_RECORDS), Lines{"other"});

  EXPECT_EQ(e().TreeText(), "A(New,B),C");
  ASSERT_TRUE(e().SelectItem("A/New"));
  EXPECT_EQ(e().Current(), CurrentDocument()->SectionAt(2)->SectionAt(1));
}

// Whatever brings the children of an item in or out, its button shows
// whether its section has child sections, as the tree view shows it for an
// item whose children are all in.
TEST_F(EditorCommands, TheButtonOfAnItemShowsWhetherItsSectionHasChildSections) {
  HWND tree = GetDlgItem(e().Main(), IDC_TREE);
  struct Step {
    const char* what;
    const char* select;  // the item selected first
    int command;
    const char* name;    // the section name field
    const char* item;    // the item then looked at
    bool button;
    const char* tree;
  };
  const Step steps[] = {
      {"add below a section without children", "C", IDM_SECTION_ADD, "x", "C", true, "A(B),C(x)"},
      {"add below the new section", "C/x", IDM_SECTION_ADD, "y", "C/x", true, "A(B),C(x(y))"},
      {"delete the only child", "C/x/y", IDM_SECTION_DELETE, "", "C/x", false, "A(B),C(x)"},
      {"delete the only child again", "C/x", IDM_SECTION_DELETE, "", "C", false, "A(B),C"},
      {"add a second child", "A", IDM_SECTION_ADD, "z", "A", true, "A(B,z),C"},
      {"delete one of two children", "A/B", IDM_SECTION_DELETE, "", "A", true, "A(z),C"},
      {"delete the last child", "A/z", IDM_SECTION_DELETE, "", "A", false, "A,C"},
  };
  EXPECT_TRUE(ShowsButton(tree, e().FindItem("A")));
  EXPECT_FALSE(ShowsButton(tree, e().FindItem("C")));
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    ASSERT_TRUE(e().SelectItem(step.select));
    e().SetField(IDC_SECTION_NAME, step.name);
    e().Command(step.command);
    HTREEITEM item = e().FindItem(step.item);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(ShowsButton(tree, item), step.button);
    EXPECT_EQ(e().TreeText(), step.tree);
  }
}

TEST_F(EditorCommands, SectionAddAfterNewGoesBelowMainAndAfterGoToRootToTheTop) {
  e().Command(IDM_NEW);
  e().SetField(IDC_SECTION_NAME, "sub");
  e().Command(IDM_SECTION_ADD);
  EXPECT_EQ(e().TreeText(), "MAIN(sub)");
  EXPECT_EQ(Dump(CurrentDocument()), "MAIN{sub{}}");
  e().Command(IDM_GO_TO_ROOT);
  e().SetField(IDC_SECTION_NAME, "top");
  e().Command(IDM_SECTION_ADD);
  EXPECT_EQ(e().TreeText(), "MAIN(sub),top");
  EXPECT_EQ(Dump(CurrentDocument()), "MAIN{sub{}},top{}");
}

TEST_F(EditorCommands, SectionDeleteOfANestedSectionSelectsItsParent) {
  ASSERT_TRUE(e().SelectItem("A/B"));
  ASSERT_TRUE(e().SelectLine(IDC_RECORDS, "deep"));
  ASSERT_EQ(e().Lines(IDC_VALUES).size(), 1u);
  e().Command(IDM_SECTION_DELETE);
  EXPECT_EQ(e().TreeText(), "A,C");
  EXPECT_EQ(e().SelectedPath(), "A");
  EXPECT_EQ(e().Lines(IDC_RECORDS), (Lines{"other", "rec"}));
  EXPECT_TRUE(e().Lines(IDC_VALUES).empty());
  EXPECT_EQ(e().Current(), CurrentDocument()->SectionAt(2));
  EXPECT_EQ(Dump(CurrentDocument()), "top[i:n=1],A{rec[i:x=1,s:s=hello],other[i:v=2]},C{}");
}

TEST_F(EditorCommands, SectionDeleteNeedsASelectedItem) {
  e().Command(IDM_GO_TO_ROOT);
  e().Command(IDM_SECTION_DELETE);
  EXPECT_EQ(e().TreeText(), "A(B),C");
  EXPECT_EQ(Dump(CurrentDocument()), kDocumentDump);
  EXPECT_EQ(e().Lines(IDC_RECORDS), Lines{"top"});
}

TEST_F(EditorCommands, DeletingEveryTopLevelSectionLeavesTheRootCurrent) {
  ASSERT_TRUE(e().SelectItem("C"));
  e().Command(IDM_SECTION_DELETE);
  EXPECT_EQ(e().TreeText(), "A(B)");
  // Whatever the tree selects now, the lists agree with it.
  std::string selected = e().SelectedPath();
  if (selected.empty()) {
    EXPECT_TRUE(e().Lines(IDC_RECORDS).empty());
  } else {
    EXPECT_EQ(selected, "A");
    EXPECT_EQ(e().Lines(IDC_RECORDS), (Lines{"other", "rec"}));
  }
  ASSERT_TRUE(e().SelectItem("A"));
  ASSERT_TRUE(e().SelectLine(IDC_RECORDS, "rec"));
  e().Command(IDM_SECTION_DELETE);
  EXPECT_EQ(e().TreeText(), "");
  EXPECT_TRUE(e().Lines(IDC_RECORDS).empty());
  EXPECT_TRUE(e().Lines(IDC_VALUES).empty());
  EXPECT_EQ(e().Current(), CurrentDocument());
  EXPECT_EQ(Dump(CurrentDocument()), "top[i:n=1]");
}

TEST_F(EditorCommands, SectionUpdateRenamesTheSectionAndItsItem) {
  ASSERT_TRUE(e().SelectItem("A/B"));
  e().SetField(IDC_SECTION_NAME, "");
  e().Command(IDM_SECTION_UPDATE);
  EXPECT_EQ(e().TreeText(), "A(B),C");
  e().SetField(IDC_SECTION_NAME, "Renamed");
  e().Command(IDM_SECTION_UPDATE);
  EXPECT_EQ(e().TreeText(), "A(Renamed),C");
  EXPECT_EQ(Dump(CurrentDocument()), "top[i:n=1],A{rec[i:x=1,s:s=hello],other[i:v=2],Renamed{deep[i:v=3]}},C{}");
}

TEST_F(EditorCommands, GoToRootThenUpdateRenamesTheDocumentAndSaveWritesThere) {
  std::string renamed = dir_.Path("renamed.cfg");
  e().Command(IDM_GO_TO_ROOT);
  e().SetField(IDC_SECTION_NAME, renamed);
  e().Command(IDM_SECTION_UPDATE);
  EXPECT_STREQ(CurrentDocument()->GetName(), renamed.c_str());
  EXPECT_EQ(e().TreeText(), "A(B),C");
  e().PostCommand(IDM_SAVE);
  BoxInfo box = e().AnswerBox("Success");
  EXPECT_EQ(box.text, "File (" + renamed + ") saved.");
  EXPECT_EQ(ReadText(renamed), kDocument);
}

TEST_F(EditorCommands, RecordAddAddsOneLinePerNameAndNoneForASection) {
  ASSERT_TRUE(e().SelectItem("A"));
  ASSERT_TRUE(e().SelectLine(IDC_RECORDS, "rec"));
  struct Case {
    const char* name;
    Lines lines;
  };
  const Case cases[] = {
      {"", {"other", "rec"}},
      {"net", {"net", "other", "rec"}},
      {"NET", {"net", "other", "rec"}},
      {"b", {"net", "other", "rec"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    e().SetField(IDC_RECORD_NAME, c.name);
    e().Command(IDM_RECORD_ADD);
    EXPECT_EQ(e().Lines(IDC_RECORDS), c.lines);
  }
  EXPECT_EQ(e().Lines(IDC_RECORDS)[e().Selection(IDC_RECORDS)], "rec");  // selection unchanged
  EXPECT_EQ(Dump(CurrentDocument()->SectionAt(2)), "rec[i:x=1,s:s=hello],other[i:v=2],B{deep[i:v=3]},net[]");
}

TEST_F(EditorCommands, RecordUpdateRefusesTakenNamesOfRecordsAndSections) {
  struct Case {
    const char* title;
    bool select;
    const char* name;
  };
  const Case refused[] = {
      {"no line selected", false, "fresh"},
      {"empty field", true, ""},
      {"name of another line in another case", true, "OTHER"},
      {"own name in another case", true, "REC"},
      {"name of a section beside it in another case", true, "b"},
  };
  ASSERT_TRUE(e().SelectItem("A"));
  for (const Case& c : refused) {
    SCOPED_TRACE(c.title);
    e().SelectLine(IDC_RECORDS, c.select ? 1 : -1);
    e().SetField(IDC_RECORD_NAME, c.name);
    e().Command(IDM_RECORD_UPDATE);
    EXPECT_EQ(e().Lines(IDC_RECORDS), (Lines{"other", "rec"}));
    EXPECT_EQ(Dump(CurrentDocument()), kDocumentDump);
  }
  ASSERT_TRUE(e().SelectLine(IDC_RECORDS, "rec"));
  e().SetField(IDC_RECORD_NAME, "Renamed");
  e().Command(IDM_RECORD_UPDATE);
  EXPECT_EQ(e().Lines(IDC_RECORDS), (Lines{"other", "Renamed"}));
  EXPECT_EQ(e().Selection(IDC_RECORDS), -1);
  EXPECT_EQ(e().Lines(IDC_VALUES), (Lines{"(int)x = 1", "(string)s = hello"}));
  EXPECT_EQ(Dump(CurrentDocument()->SectionAt(2)), "Renamed[i:x=1,s:s=hello],other[i:v=2],B{deep[i:v=3]}");
}

TEST_F(EditorCommands, RecordDeleteRemovesTheRecordItsLineAndItsValues) {
  SelectRec();
  ASSERT_EQ(e().Lines(IDC_VALUES).size(), 2u);
  e().Command(IDM_RECORD_DELETE);
  EXPECT_EQ(e().Lines(IDC_RECORDS), Lines{"other"});
  EXPECT_TRUE(e().Lines(IDC_VALUES).empty());
  EXPECT_EQ(e().TreeText(), "A(B),C");
  EXPECT_EQ(Dump(CurrentDocument()->SectionAt(2)), "other[i:v=2],B{deep[i:v=3]}");
  e().Command(IDM_RECORD_DELETE);  // no line selected: nothing
  EXPECT_EQ(e().Lines(IDC_RECORDS), Lines{"other"});
}

TEST_F(EditorCommands, ValueAddCreatesIntsAndStringsAndRefusesTheRest) {
  SelectRec();
  struct Case {
    const char* title;
    int type;
    const char* name;
    const char* text;
    const char* record;  // the record afterwards
  };
  const Case cases[] = {
      {"no type selected", -1, "n", "1", "i:x=1,s:s=hello"},
      {"hexadecimal int", kInt, "n", "0x10", "i:x=1,s:s=hello,i:n=16"},
      {"int of an empty field", kInt, "m", "", "i:x=1,s:s=hello,i:n=16"},
      {"int of no number", kInt, "m", "abc", "i:x=1,s:s=hello,i:n=16"},
      {"string of an empty field", kString, "e", "", "i:x=1,s:s=hello,i:n=16,s:e="},
      {"name taken in another case", kInt, "X", "5", "i:x=1,s:s=hello,i:n=16,s:e="},
      {"unnamed", kInt, "", "7", "i:x=1,s:s=hello,i:n=16,s:e=,i:=7"},
      {"unnamed again", kInt, "", "7", "i:x=1,s:s=hello,i:n=16,s:e=,i:=7,i:=7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    SetValueFields(c.type, c.name, c.text);
    e().Command(IDM_VALUE_ADD);
    EXPECT_EQ(RecDump(), c.record);
  }
  EXPECT_EQ(e().Lines(IDC_VALUES),
            (Lines{"(int) = 7", "(int) = 7", "(int)n = 16", "(int)x = 1", "(string)e = ", "(string)s = hello"}));
}

TEST_F(EditorCommands, ValueAddWithoutARecordOnlyEmptiesTheValues) {
  SelectRec();
  e().SelectLine(IDC_RECORDS, -1);
  SetValueFields(kInt, "n", "1");
  e().Command(IDM_VALUE_ADD);
  EXPECT_TRUE(e().Lines(IDC_VALUES).empty());
  EXPECT_EQ(Dump(CurrentDocument()), kDocumentDump);
}

TEST_F(EditorCommands, ValueUpdateTakesTheFreedSlotAndSaveKeepsTheOrder) {
  SelectRec();
  ASSERT_TRUE(e().SelectLine(IDC_VALUES, "(int)x = 1"));
  e().SetField(IDC_VALUE_NAME, "y");
  e().SetField(IDC_VALUE_TEXT, "7");
  e().Command(IDM_VALUE_UPDATE);
  EXPECT_EQ(RecDump(), "i:y=7,s:s=hello");
  EXPECT_EQ(e().Lines(IDC_VALUES), (Lines{"(int)y = 7", "(string)s = hello"}));
  e().PostCommand(IDM_SAVE);
  e().AnswerBox("Success");
  std::string text = ReadText(path_);
  EXPECT_NE(text.find("    (int)rec[y]=7\n    (string)rec[s]=hello\n"), std::string::npos) << text;
}

TEST_F(EditorCommands, ValueUpdateThatWouldBeRefusedKeepsTheOldValue) {
  struct Case {
    const char* title;
    int type;
    const char* name;
    const char* text;
  };
  const Case cases[] = {
      {"name of another value", kInt, "S", "5"},
      {"no type", -1, "x", "5"},
      {"int without a number", kInt, "x", "abc"},
  };
  SelectRec();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    ASSERT_TRUE(e().SelectLine(IDC_VALUES, "(int)x = 1"));
    SetValueFields(c.type, c.name, c.text);
    e().Command(IDM_VALUE_UPDATE);
    EXPECT_EQ(RecDump(), "i:x=1,s:s=hello");
    EXPECT_EQ(e().Lines(IDC_VALUES), (Lines{"(int)x = 1", "(string)s = hello"}));
  }
  // Its own name in another case is no conflict.
  ASSERT_TRUE(e().SelectLine(IDC_VALUES, "(int)x = 1"));
  SetValueFields(kString, "X", "now text");
  e().Command(IDM_VALUE_UPDATE);
  EXPECT_EQ(RecDump(), "s:X=now text,s:s=hello");
}

TEST_F(EditorCommands, ValueUpdateWithoutASelectedLineAddsAndDeleteRemovesTheLine) {
  SelectRec();
  SetValueFields(kInt, "z", "-4");
  e().Command(IDM_VALUE_UPDATE);
  EXPECT_EQ(RecDump(), "i:x=1,s:s=hello,i:z=-4");

  ASSERT_TRUE(e().SelectLine(IDC_VALUES, "(string)s = hello"));
  e().Command(IDM_VALUE_DELETE);
  EXPECT_EQ(RecDump(), "i:x=1,i:z=-4");
  EXPECT_EQ(e().Lines(IDC_VALUES), (Lines{"(int)x = 1", "(int)z = -4"}));
  EXPECT_EQ(e().Field(IDC_VALUE_NAME), "s");  // the fields keep their text
  EXPECT_EQ(e().Field(IDC_VALUE_TEXT), "hello");
  e().Command(IDM_VALUE_DELETE);  // no line selected: nothing
  EXPECT_EQ(RecDump(), "i:x=1,i:z=-4");
}

TEST_F(EditorCommands, CopyThenPasteIntoTheCopiedSectionItself) {
  ASSERT_TRUE(e().SelectItem("A"));
  e().Command(IDM_SECTION_COPY);
  e().Command(IDM_SECTION_PASTE);
  EXPECT_EQ(e().TreeText(), "A(B,A(B)),C");
  EXPECT_EQ(e().Current(), nullptr);
  EXPECT_EQ(e().SelectedPath(), "");
  EXPECT_TRUE(e().Lines(IDC_RECORDS).empty());
  EXPECT_EQ(SectionClipboard(), nullptr);
  EXPECT_EQ(Dump(CurrentDocument()->SectionAt(2)->SectionAt(4)),
            "rec[i:x=1,s:s=hello],other[i:v=2],B{deep[i:v=3]}");
  // A second Paste has nothing to paste.
  ASSERT_TRUE(e().SelectItem("C"));
  e().Command(IDM_SECTION_PASTE);
  EXPECT_EQ(e().TreeText(), "A(B,A(B)),C");
}

TEST_F(EditorCommands, PasteIntoTheParentIsRefusedAndTheCopyKept) {
  ASSERT_TRUE(e().SelectItem("A/B"));
  e().Command(IDM_SECTION_COPY);
  ASSERT_TRUE(e().SelectItem("A"));
  e().Command(IDM_SECTION_PASTE);
  EXPECT_EQ(e().TreeText(), "A(B),C");
  EXPECT_EQ(Dump(CurrentDocument()), kDocumentDump);
  ASSERT_NE(SectionClipboard(), nullptr);
  // The copy is independent: deleting the original does not touch it.
  ASSERT_TRUE(e().SelectItem("A/B"));
  e().Command(IDM_SECTION_DELETE);
  ASSERT_TRUE(e().SelectItem("C"));
  e().Command(IDM_SECTION_PASTE);
  EXPECT_EQ(e().TreeText(), "A,C(B)");
  EXPECT_EQ(Dump(CurrentDocument()), "top[i:n=1],A{rec[i:x=1,s:s=hello],other[i:v=2]},C{B{deep[i:v=3]}}");
}

TEST_F(EditorCommands, CommandsThatNeedACurrentSectionDoNothingWithoutOne) {
  // After start-up with a readable file no section is current.
  ASSERT_EQ(e().Current(), nullptr);
  e().SetField(IDC_SECTION_NAME, "S");
  e().SetField(IDC_RECORD_NAME, "R");
  SetValueFields(kInt, "v", "1");
  for (int id : {IDM_SECTION_ADD, IDM_SECTION_UPDATE, IDM_SECTION_DELETE, IDM_RECORD_ADD, IDM_RECORD_UPDATE,
                 IDM_RECORD_DELETE, IDM_VALUE_ADD, IDM_VALUE_UPDATE, IDM_VALUE_DELETE, IDM_SECTION_COPY,
                 IDM_SECTION_PASTE}) {
    SCOPED_TRACE(id);
    e().Command(id);
    EXPECT_EQ(Dump(CurrentDocument()), kDocumentDump);
    EXPECT_EQ(e().TreeText(), "A(B),C");
  }
  EXPECT_EQ(SectionClipboard(), nullptr);
}

TEST_F(EditorCommands, IgnoredCommandsAndNotificationsChangeNothing) {
  SelectRec();
  e().SetField(IDC_SECTION_NAME, "S");
  e().SetField(IDC_RECORD_NAME, "R");
  SetValueFields(kInt, "v", "1");
  const std::pair<int, int> ignored[] = {
      {IDOK, BN_CLICKED},           {IDM_SECTION_CUT, 0},      {IDM_INTERNAL_BUFFER, 0},
      {IDC_SECTION_NAME, EN_CHANGE}, {IDC_VALUE_TEXT, EN_KILLFOCUS}, {IDC_TYPE, CBN_SELCHANGE},
      {IDC_RECORDS, LBN_DBLCLK}};
  for (const auto& [id, code] : ignored) {
    SCOPED_TRACE(id);
    e().Command(id, code);
    EXPECT_FALSE(e().Ended());
    EXPECT_EQ(Dump(CurrentDocument()), kDocumentDump);
    EXPECT_EQ(e().Lines(IDC_VALUES), (Lines{"(int)x = 1", "(string)s = hello"}));
    EXPECT_EQ(e().SelectedPath(), "A");
  }
  // A click on the status bar reaches the dialog as WM_NOTIFY with the ID of
  // File > New; it is not a command.
  NMHDR click{GetDlgItem(e().Main(), IDC_STATUS), IDC_STATUS, static_cast<UINT>(NM_CLICK)};
  SendMessageA(e().Main(), WM_NOTIFY, IDC_STATUS, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(Dump(CurrentDocument()), kDocumentDump);
  EXPECT_EQ(e().TreeText(), "A(B),C");
}

TEST_F(EditorCommands, AboutOpensOwnedByTheMainWindowAndCloses) {
  for (int button : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(button);
    e().PostCommand(IDM_ABOUT);
    HWND about = e().WaitForWindow("About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(GetWindow(about, GW_OWNER), e().Main());
    EXPECT_FALSE(IsWindowEnabled(e().Main()));
    BoxInfo info = e().ReadBox(about);
    EXPECT_TRUE(info.anyIcon);
    EXPECT_EQ(info.buttons, std::vector<std::string>{"OK"});
    PostMessageA(about, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    ASSERT_TRUE(e().WaitGone(about));
    e().Sync();
    EXPECT_FALSE(e().Ended());
    EXPECT_TRUE(IsWindowEnabled(e().Main()));
  }
}

struct EndCase {
  const char* title;
  UINT message;
  WPARAM wParam;
};

TEST(EditorEnd, EscExitAndTheCloseBoxEndTheEditor) {
  const EndCase cases[] = {
      {"Esc or File > Exit", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
      {"the close box", WM_SYSCOMMAND, SC_CLOSE},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.title);
    EditorRun editor;
    ASSERT_NE(editor.Main(), nullptr);
    PostMessageA(editor.Main(), c.message, c.wParam, 0);
    ASSERT_TRUE(editor.WaitEnded());
    EXPECT_EQ(editor.Result(), 0);
  }
}

}  // namespace
}  // namespace editor_test
