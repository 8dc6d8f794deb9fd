// The list of File > Compare with...: its lines and where Go to leads.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_node.h"
#include "config/config_stream.h"
#include "editor/compare_list.h"
#include "editor_harness.h"
#include "resources/resource.h"

namespace editor_test {
namespace {

void Load(const std::string& text, cfg::Section* document) {
  cfg::ConfigStream in(cfg::InMemory{}, text);
  document->LoadFrom(in);
}

// A target as the names on its way: "a/b/" for a section, then "rec", then
// "[value]".
std::string Where(const FindTarget& target) {
  std::string where;
  for (const cfg::Section* section : target.sections) where += std::string(section->NameView()) + "/";
  if (target.record != nullptr) where += target.record->NameView();
  if (target.value != nullptr) where += "[" + std::string(target.value->NameView()) + "]";
  return where;
}

TEST(CompareListTest, ListsEachDifferenceAndGoesToTheNearestPlaceTheDocumentHolds) {
  cfg::Section document(cfg::kFileSection, "1.cfg");
  cfg::Section other(cfg::kFileSection, "2.cfg");
  Load("{ net:\n(int)srv[port]=80\n(string)srv[host]=a\n(int)srv=1\n{ old:\n} old;\n} net;\n(int)gone=1\n", &document);
  Load("{ NET:\n(int)srv[port]=0x50\n(string)srv[host]=b\n(int64)srv=1\n(double)srv[new]=2.5\n{ fresh:\n} fresh;\n} NET;\n"
       "(int)added=1\n",
       &other);
  bool capped = true;
  const std::vector<CompareLine> lines = CompareDocuments(document, other, 100, &capped);
  struct Expected {
    const char* text;
    const char* where;
  };
  const Expected expected[] = {
      {"~ net/srv[host]\tstring\ta -> b", "net/srv[host]"},
      {"- net/srv[]\tint\t1", "net/srv[]"},
      {"+ net/srv[]\tint64\t1", "net/srv"},  // the record: the document lacks the value
      {"+ net/srv[new]\tdouble\t2.5", "net/srv"},
      {"- net/old/", "net/old/"},
      {"+ net/fresh/", "net/"},  // the section that would hold it
      {"- gone", "gone"},
      {"+ added", ""},  // the document itself
  };
  ASSERT_EQ(lines.size(), std::size(expected));
  EXPECT_FALSE(capped);
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(lines[i].text, expected[i].text);
    EXPECT_EQ(Where(lines[i].target), expected[i].where);
  }
  const std::vector<CompareLine> few = CompareDocuments(document, other, 2, &capped);
  EXPECT_EQ(few.size(), 2u);
  EXPECT_TRUE(capped);
  EXPECT_TRUE(CompareDocuments(document, document, 100, &capped).empty());
  EXPECT_FALSE(capped);
}

// File > Compare with... in the running editor: the picked file's
// differences listed in the Find dialog's frame, and Go to.
TEST(EditorCompare, ListsTheDifferencesAndGoesToTheNearestPlaceTheDocumentHolds) {
  TempDir dir;
  EditorRun e(dir.Write("one.cfg", "(int)top=1\n{ A:\n(int)rec[x]=1\n(int)rec[y]=2\n} A;\n"));
  ASSERT_NE(e.Main(), nullptr);
  const std::string other = dir.Write("two.cfg", "(int)top=1\n{ A:\n(int)rec[x]=5\n(int)rec[y]=2\n(int)rec[z]=3\n} A;\n");
  e.PostCommand(IDM_COMPARE);
  HWND picker = e.WaitForWindow("Compare with");
  ASSERT_NE(picker, nullptr);
  e.FileDialogAccept(picker, other);
  HWND compare = e.WaitForWindow("Compare");
  ASSERT_NE(compare, nullptr);
  HWND list = GetDlgItem(compare, IDC_FIND_HITS);
  EXPECT_EQ(ListLines(list), (std::vector<std::string>{"~ A/rec[x]\tint\t1 -> 5", "+ A/rec[z]\tint\t3"}));
  char status[64] = {};
  GetWindowTextA(GetDlgItem(compare, IDC_FIND_STATUS), status, sizeof status);
  EXPECT_STREQ(status, "2 differences");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(compare, IDC_FIND_START)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(compare, IDC_FIND_TEXT)));
  // The added value is not in the document: Go to shows its record.
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  SendMessageA(compare, WM_COMMAND, MAKEWPARAM(IDC_FIND_GO_TO, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(compare, IDC_FIND_GO_TO)));
  ASSERT_TRUE(e.WaitGone(compare));
  e.Sync();
  EXPECT_EQ(e.SelectedPath(), "A");
  const int record = e.Selection(IDC_RECORDS);
  ASSERT_GE(record, 0);
  EXPECT_EQ(e.Lines(IDC_RECORDS)[record], "rec");
  EXPECT_EQ(e.Selection(IDC_VALUES), -1);
}

}  // namespace
}  // namespace editor_test
