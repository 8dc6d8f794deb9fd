// The main window's views: the section tree, the sorted records and values
// lists with their line formats, and what each selection fills.
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
    "{ data:\n"
    "    (string)beta[b1]=x\n"
    "    (int)beta[b2]=2\n"
    "    (string)beta=  y z\n"
    "    (int)beta=-3\n"
    "    (int)Alpha[a]=5\n"
    "    (int)gamma[g]=0x10\n"
    "    (float)odd[f]=1.5\n"
    "    (double)odd[d]=2.5\n"
    "    (int64)odd[l]=7\n"
    "    [ odd[bytes]:\n"
    "    1\n"
    "    ] odd[bytes];\n"
    "    { inner:\n"
    "        (int)deep[v]=9\n"
    "    } inner;\n"
    "} data;\n"
    "{ plain:\n"
    "    (int)only[v]=1\n"
    "} plain;\n";

class EditorViews : public ::testing::Test {
 protected:
  void SetUp() override {
    editor_ = std::make_unique<EditorRun>(dir_.Write("views.cfg", kDocument));
    ASSERT_NE(editor_->Main(), nullptr);
  }
  TempDir dir_;
  std::unique_ptr<EditorRun> editor_;
};

TEST_F(EditorViews, TreeShowsSectionsInSlotOrderWithoutRecords) {
  EXPECT_EQ(editor_->TreeText(), "data(inner),plain");
  EXPECT_EQ(editor_->SelectedPath(), "");
  // Every item starts collapsed.
  EXPECT_FALSE(editor_->ItemState(editor_->FindItem("data")) & TVIS_EXPANDED);
}

TEST_F(EditorViews, TreeSelectionListsTheRecordsSortedAndEmptiesTheValues) {
  EditorRun& e = *editor_;
  e.SetField(IDC_SECTION_NAME, "typed section");
  e.SetField(IDC_RECORD_NAME, "typed record");
  ASSERT_TRUE(e.SelectItem("plain"));
  ASSERT_TRUE(e.SelectLine(IDC_RECORDS, "only"));
  ASSERT_EQ(e.Lines(IDC_VALUES).size(), 1u);

  ASSERT_TRUE(e.SelectItem("data"));
  EXPECT_EQ(e.Lines(IDC_RECORDS), (Lines{"Alpha", "beta", "gamma", "odd"}));
  EXPECT_EQ(e.Selection(IDC_RECORDS), -1);
  EXPECT_TRUE(e.Lines(IDC_VALUES).empty());
  EXPECT_EQ(e.Current(), CurrentDocument()->SectionAt(2));
  // A selection never writes the name fields.
  EXPECT_EQ(e.Field(IDC_SECTION_NAME), "typed section");
  EXPECT_EQ(e.Field(IDC_RECORD_NAME), "typed record");

  ASSERT_TRUE(e.SelectItem("data/inner"));
  EXPECT_EQ(e.Lines(IDC_RECORDS), Lines{"deep"});
}

TEST_F(EditorViews, ValuesLinesUseTheFourFormatsSorted) {
  EditorRun& e = *editor_;
  ASSERT_TRUE(e.SelectItem("data"));
  e.SetField(IDC_VALUE_NAME, "kept name");
  e.SetField(IDC_VALUE_TEXT, "kept text");
  ASSERT_TRUE(e.SelectLine(IDC_RECORDS, "beta"));
  std::vector<std::string> lines = e.Lines(IDC_VALUES);
  EXPECT_EQ(lines, (Lines{"(int) = -3", "(int)b2 = 2", "(string) =   y z", "(string)b1 = x"}));
  // Selecting a records line leaves the fields alone.
  EXPECT_EQ(e.Field(IDC_VALUE_NAME), "kept name");
  EXPECT_EQ(e.Field(IDC_VALUE_TEXT), "kept text");

  ASSERT_TRUE(e.SelectLine(IDC_RECORDS, "gamma"));
  EXPECT_EQ(e.Lines(IDC_VALUES), Lines{"(int)g = 16"});
}

TEST_F(EditorViews, RecordOfOtherTypesShowsNoLinesButKeepsItsValues) {
  EditorRun& e = *editor_;
  ASSERT_TRUE(e.SelectItem("data"));
  ASSERT_TRUE(e.SelectLine(IDC_RECORDS, "odd"));
  EXPECT_TRUE(e.Lines(IDC_VALUES).empty());
  EXPECT_EQ(Dump(CurrentDocument()->SectionAt(2)->RecordByName("odd")), "7:f,9:d,10:l,5:bytes");
}

TEST_F(EditorViews, ValuesLineSelectionFillsNameValueAndType) {
  struct Case {
    const char* record;
    const char* line;
    const char* name;
    const char* text;
    int type;  // combo index
  };
  const Case cases[] = {
      {"beta", "(int) = -3", "", "-3", 0},
      {"beta", "(string)b1 = x", "b1", "x", 1},
      {"beta", "(string) =   y z", "", "  y z", 1},
      {"gamma", "(int)g = 16", "g", "16", 0},
  };
  EditorRun& e = *editor_;
  ASSERT_TRUE(e.SelectItem("data"));
  EXPECT_EQ(e.TypeSelection(), -1);  // no type selected at start
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    e.SetField(IDC_VALUE_NAME, "stale");
    ASSERT_TRUE(e.SelectLine(IDC_RECORDS, c.record));
    ASSERT_TRUE(e.SelectLine(IDC_VALUES, c.line));
    EXPECT_EQ(e.Field(IDC_VALUE_NAME), c.name);
    EXPECT_EQ(e.Field(IDC_VALUE_TEXT), c.text);
    EXPECT_EQ(e.TypeSelection(), c.type);
    // Nothing else changes: the records line stays selected, the document as it was.
    EXPECT_EQ(e.Lines(IDC_RECORDS)[e.Selection(IDC_RECORDS)], c.record);
    EXPECT_EQ(e.Field(IDC_SECTION_NAME), "");
  }
  EXPECT_EQ(Dump(CurrentDocument()->SectionAt(2)->RecordByName("beta")), "s:b1=x,i:b2=2,s:=  y z,i:=-3");
}

TEST_F(EditorViews, RootRecordsAreListedOnlyAfterGoToRoot) {
  EditorRun& e = *editor_;
  EXPECT_TRUE(e.Lines(IDC_RECORDS).empty());
  ASSERT_TRUE(e.SelectItem("plain"));
  e.Command(IDM_GO_TO_ROOT);
  EXPECT_EQ(e.Lines(IDC_RECORDS), Lines{"top"});
  EXPECT_EQ(e.SelectedPath(), "");
  EXPECT_EQ(e.Current(), CurrentDocument());
  ASSERT_TRUE(e.SelectLine(IDC_RECORDS, "top"));
  EXPECT_EQ(e.Lines(IDC_VALUES), Lines{"(int)n = 1"});
}

TEST_F(EditorViews, TypeComboOffersIntThenString) {
  HWND combo = GetDlgItem(editor_->Main(), IDC_TYPE);
  ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
  char text[32];
  SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "int");
  EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 0, 0), 6);
  SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "string");
  EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 1, 0), 8);
}

}  // namespace
}  // namespace editor_test
