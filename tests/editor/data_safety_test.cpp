// Nothing the editor accepts is lost at the next save: each case does what a
// user does in the real window, saves with File > Save and reads the file
// back, and the tree read back must be the tree the editor showed. Names that
// would come back as another tree are refused, copies of whole documents are
// not pasted, and a save writes where the document's file came from.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "editor/main_dialog.h"
#include "editor_harness.h"
#include "resources/resource.h"

namespace editor_test {
namespace {

using Lines = std::vector<std::string>;

constexpr int kInt = 0;  // combo position of "int"
// The document the cases start from, as Dump shows it: a record beside two
// sections, and in net a record of a byte array (type 5).
constexpr char kBase[] = "window[i:w=1],net{host[i:port=80],blob[5:b]},paths{dir[s:d=here]}";

void WriteDocument(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs(
      "(int)window[w]=1\n"
      "{ net:\n"
      "  (int)host[port]=80\n"
      "  [ blob[b]:\n"
      "    01\n"
      "    FE\n"
      "  ] blob[b];\n"
      "} net;\n"
      "{ paths:\n"
      "  (string)dir[d]=here\n"
      "} paths;\n",
      file);
  ASSERT_EQ(std::fclose(file), 0);
}

// The tree that the file at path loads as; "<unreadable>" when it cannot be read.
std::string Reloaded(const std::string& path) {
  cfg::Section loaded(cfg::kFileSection, path.c_str());
  if (loaded.Load() == 0) return "<unreadable>";
  return Dump(&loaded);
}

class EditorDataSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.Path("doc.cfg");
    WriteDocument(path_);
    ASSERT_EQ(Reloaded(path_), kBase);
  }
  EditorRun& Start() {
    editor_ = std::make_unique<EditorRun>(path_);
    EXPECT_NE(editor_->Main(), nullptr);
    return *editor_;
  }
  // File > Save of the named document, then the tree its file loads as.
  std::string SaveAndReload() {
    editor_->PostCommand(IDM_SAVE);
    BoxInfo box = editor_->AnswerBox("Success");
    EXPECT_EQ(box.text, "File (" + path_ + ") saved.");
    return Reloaded(path_);
  }

  // Go to root, Copy, then Paste below the item at that path.
  void CopyRootAndPasteInto(const char* item) {
    editor_->Command(IDM_GO_TO_ROOT);
    editor_->Command(IDM_SECTION_COPY);
    ASSERT_TRUE(editor_->SelectItem(item));
    editor_->Command(IDM_SECTION_PASTE);
  }

  TempDir dir_;
  std::string path_;
  std::unique_ptr<EditorRun> editor_;
};

// A refused command as the user meets it: a balloon at the control it
// concerns says why, the next key hides it, and the document is unchanged.
// (Each command's rules and reasons are the document session's, tested
// natively.)
struct RefusalCase {
  const char* title;
  const char* item;    // tree item to select
  const char* record;  // records line to select, or nullptr
  int field;           // a field filled in, or 0
  const char* text;
  int command;
  int control;         // where the balloon points
  const char* reason;  // a part of its text
};

const RefusalCase kRefusals[] = {
    {"section added with a colon", "net", nullptr, IDC_SECTION_NAME, "a:b", IDM_SECTION_ADD,
     IDC_SECTION_NAME, "it holds \":\""},
    {"section renamed to a sibling record's name", "net", nullptr, IDC_SECTION_NAME, "window",
     IDM_SECTION_UPDATE, IDC_SECTION_NAME, "record of that name"},
    {"record renamed to another record's name", "net", "host", IDC_RECORD_NAME, "BLOB", IDM_RECORD_UPDATE,
     IDC_RECORD_NAME, "record of that name"},
    {"int value of no number", "net", "host", IDC_VALUE_TEXT, "x", IDM_VALUE_ADD, IDC_VALUE_TEXT,
     "needs a number"},
    {"value name with a closing bracket", "net", "host", IDC_VALUE_NAME, "v]", IDM_VALUE_ADD,
     IDC_VALUE_NAME, "holds \"]\""},
    {"record delete with no record selected", "net", nullptr, 0, nullptr, IDM_RECORD_DELETE, IDC_RECORDS,
     "No record"},
    {"value delete with no value selected", "net", "host", 0, nullptr, IDM_VALUE_DELETE, IDC_VALUES,
     "No value"},
    {"paste with nothing copied", "net", nullptr, 0, nullptr, IDM_SECTION_PASTE, IDC_TREE,
     "Nothing is copied"},
};

TEST_F(EditorDataSafety, ARefusedCommandSaysWhyAtItsControlAndChangesNothing) {
  EditorRun& e = Start();
  const editor::RefusalBalloon& balloon = e.Dialog()->Balloon();
  for (const RefusalCase& c : kRefusals) {
    SCOPED_TRACE(c.title);
    e.Command(IDM_GO_TO_ROOT);  // the item's records are listed anew, none selected
    ASSERT_TRUE(e.SelectItem(c.item));
    if (c.record != nullptr) {
      ASSERT_TRUE(e.SelectLine(IDC_RECORDS, c.record));
    }
    e.SelectType(kInt);
    e.SetField(IDC_VALUE_TEXT, "7");
    if (c.field != 0) e.SetField(c.field, c.text);
    e.Command(c.command);
    ASSERT_TRUE(balloon.Shown());
    EXPECT_TRUE(IsWindowVisible(balloon.Window()));
    EXPECT_EQ(balloon.Control(), GetDlgItem(e.Main(), c.control));
    EXPECT_NE(balloon.Text().find(c.reason), std::string::npos) << balloon.Text();
    // The next key in the window hides it.
    PostMessageA(GetDlgItem(e.Main(), IDC_TREE), WM_KEYDOWN, VK_SHIFT, 0);
    e.Sync();
    EXPECT_FALSE(balloon.Shown());
    EXPECT_FALSE(IsWindowVisible(balloon.Window()));
    EXPECT_EQ(Dump(CurrentDocument()), kBase);
  }
  EXPECT_EQ(SaveAndReload(), kBase);
}

TEST_F(EditorDataSafety, CopyOfTheDocumentItselfIsNeverPasted) {
  EditorRun& e = Start();
  CopyRootAndPasteInto("paths");
  EXPECT_EQ(e.TreeText(), "net,paths");
  EXPECT_EQ(Dump(CurrentDocument()), kBase);

  // Copy at the root leaves an earlier copy where it was.
  ASSERT_TRUE(e.SelectItem("net"));
  e.Command(IDM_SECTION_COPY);
  CopyRootAndPasteInto("paths");
  EXPECT_EQ(e.TreeText(), "net,paths(net)");
  const std::string pasted =
      "window[i:w=1],net{host[i:port=80],blob[5:b]},paths{dir[s:d=here],net{host[i:port=80],blob[5:b]}}";
  EXPECT_EQ(Dump(CurrentDocument()), pasted);
  EXPECT_EQ(SaveAndReload(), pasted);
}

TEST_F(EditorDataSafety, CopyOfANewDocumentIsNeverPasted) {
  EditorRun& e = Start();
  e.Command(IDM_NEW);
  CopyRootAndPasteInto("MAIN");
  EXPECT_EQ(e.TreeText(), "MAIN");
  EXPECT_EQ(Dump(CurrentDocument()), "MAIN{}");
  EXPECT_EQ(SectionClipboard(), nullptr);
}

// An Open that cannot read its file says so, and the placeholder document it
// leaves behind is not copied into the next document.
TEST_F(EditorDataSafety, FailedOpenReportsAndItsPlaceholderIsNeverPasted) {
  std::string locked = dir_.Path("locked.cfg");
  WriteDocument(locked);
  HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EditorRun& e = Start();
  e.PostCommand(IDM_OPEN);
  HWND open = e.WaitForWindow("Open");
  ASSERT_NE(open, nullptr);
  e.FileDialogAccept(open, locked);
  BoxInfo box = e.AnswerBox("Error");
  CloseHandle(lock);
  EXPECT_EQ(box.text, "Can not open file: " + locked);
  EXPECT_TRUE(box.handIcon);
  EXPECT_EQ(box.buttons, Lines{"OK"});
  e.Sync();
  EXPECT_EQ(e.TreeText(), "");
  EXPECT_EQ(e.Current(), nullptr);
  EXPECT_FALSE(CurrentDocument()->IsFile());

  e.Command(IDM_GO_TO_ROOT);
  e.Command(IDM_SECTION_COPY);
  EXPECT_EQ(SectionClipboard(), nullptr);
  e.Drop({path_});
  e.Sync();
  ASSERT_EQ(e.TreeText(), "net,paths");
  ASSERT_TRUE(e.SelectItem("paths"));
  e.Command(IDM_SECTION_PASTE);
  EXPECT_EQ(e.TreeText(), "net,paths");
  EXPECT_EQ(Dump(CurrentDocument()), kBase);
  EXPECT_EQ(SaveAndReload(), kBase);
  EXPECT_EQ(Reloaded(locked), kBase);
}

// Restores the working folder of the test program when a test ends.
class WorkingFolder {
 public:
  WorkingFolder() { GetCurrentDirectoryA(MAX_PATH, saved_); }
  ~WorkingFolder() { SetCurrentDirectoryA(saved_); }
  static std::string Now() {
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
  }

 private:
  char saved_[MAX_PATH] = {};
};

TEST_F(EditorDataSafety, SaveWritesWhereARelativeFileCameFromAfterTheOpenDialogMovedAway) {
  std::string folder = dir_.Path("");
  folder.pop_back();
  std::string elsewhere = dir_.Path("elsewhere");
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  struct RemoveFolder {
    std::string path;
    ~RemoveFolder() { RemoveDirectoryA(path.c_str()); }
  } removeElsewhere{elsewhere};  // after the working folder has left it
  WorkingFolder restore;
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
  editor_ = std::make_unique<EditorRun>("doc.cfg");
  EditorRun& e = *editor_;
  ASSERT_NE(e.Main(), nullptr);
  ASSERT_EQ(e.TreeText(), "net,paths");
  EXPECT_STREQ(CurrentDocument()->GetName(), path_.c_str());

  // Browse to the other folder in the Open dialog, then cancel it.
  e.PostCommand(IDM_OPEN);
  HWND open = e.WaitForWindow("Open");
  ASSERT_NE(open, nullptr);
  e.FileDialogAccept(open, elsewhere);
  e.Sync();
  if (lstrcmpiA(WorkingFolder::Now().c_str(), elsewhere.c_str()) != 0) {
    // This dialog browses without moving the working folder; others do.
    SetCurrentDirectoryA(elsewhere.c_str());
  }
  e.FileDialogCancel(open);
  ASSERT_TRUE(e.WaitGone(open));
  e.Sync();
  ASSERT_EQ(lstrcmpiA(WorkingFolder::Now().c_str(), elsewhere.c_str()), 0);

  ASSERT_TRUE(e.SelectItem("paths"));
  e.SetField(IDC_SECTION_NAME, "added");
  e.Command(IDM_SECTION_ADD);
  const std::string added = "window[i:w=1],net{host[i:port=80],blob[5:b]},paths{dir[s:d=here],added{}}";
  EXPECT_EQ(SaveAndReload(), added);
  EXPECT_EQ(ReadText(elsewhere + "\\doc.cfg"), "<missing>");
}

TEST_F(EditorDataSafety, DropOfAPathLongerThanAWindowsPathIsReadWhole) {
  // A file whose path is exactly as long as a cut-off path would be, and a
  // dropped path that only begins with it.
  constexpr size_t kCutLength = 259;  // MAX_PATH without its NUL
  std::string prefix = dir_.Path("");
  ASSERT_LT(prefix.size() + 8, kCutLength);
  std::string cut = dir_.Write(std::string(kCutLength - prefix.size() - 4, 'n') + ".cfg", "{ cut:\n} cut;\n");
  ASSERT_EQ(cut.size(), kCutLength);
  ASSERT_EQ(Reloaded(cut), "cut{}");
  std::string dropped = cut + "-more.cfg";

  EditorRun& e = Start();
  e.Drop({dropped});
  BoxInfo box = e.AnswerBox("Error");
  EXPECT_EQ(box.text, "Can not open file: " + dropped);
  EXPECT_TRUE(box.handIcon);
  e.Sync();
  EXPECT_EQ(e.TreeText(), "MAIN");
  EXPECT_EQ(std::string(CurrentDocument()->GetName()), dropped);

  // Whether this system can write the long path or not, the file of the
  // cut-off path is left as it was.
  e.PostCommand(IDM_SAVE);
  HWND answer = nullptr;
  for (int waited = 0; answer == nullptr && waited < 20000; waited += 10) {
    answer = e.FindWindowNow("Success");
    if (answer == nullptr) answer = e.FindWindowNow("Error");
    if (answer == nullptr) Sleep(10);
  }
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(e.ReadBox(answer).text.find(dropped) != std::string::npos, true);
  PostMessageA(answer, WM_COMMAND, IDOK, 0);
  e.WaitGone(answer);
  EXPECT_EQ(Reloaded(cut), "cut{}");
}

}  // namespace
}  // namespace editor_test
