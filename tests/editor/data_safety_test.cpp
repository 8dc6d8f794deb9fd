// Nothing the editor accepts is lost at the next save: each case does what a
// user does in the real window, saves with File > Save and reads the file
// back, and the tree read back must be the tree the editor showed. Names that
// would come back as another tree are refused, copies of whole documents are
// not pasted, and a save writes where the document's file came from.
#include <gtest/gtest.h>

#include <cstdint>
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
  cfg::Section document(cfg::kFileSection, path.c_str());
  document.AddIntValue("window[w]", 1);
  cfg::Section* net = document.FindOrCreateSection("net");
  ASSERT_NE(net, nullptr);
  net->AddIntValue("host[port]", 80);
  const uint8_t bytes[] = {0x01, 0xfe};
  net->AddBinaryValue("blob[b]", bytes, sizeof bytes);
  cfg::Section* paths = document.FindOrCreateSection("paths");
  ASSERT_NE(paths, nullptr);
  paths->AddStringValue("dir[d]", "here");
  ASSERT_EQ(document.Save(), 1);
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

// One command run on chosen lines with one field filled in.
struct CommandCase {
  const char* title;
  const char* item;    // tree item to select; "" for Go to root
  const char* record;  // records line to select, or nullptr
  const char* value;   // values line to select, or nullptr
  int field;
  const char* text;
  int command;
  const char* tree;  // the tree afterwards
  const char* dump;  // the document afterwards, and the file read back
};

const CommandCase kCommandCases[] = {
    // Section Update checks the new name against the siblings, as Section Add does.
    {"section renamed to a sibling record's name", "net", nullptr, nullptr, IDC_SECTION_NAME, "window",
     IDM_SECTION_UPDATE, "net,paths", kBase},
    {"section renamed to a sibling section's name in another case", "net", nullptr, nullptr,
     IDC_SECTION_NAME, "PATHS", IDM_SECTION_UPDATE, "net,paths", kBase},
    {"section renamed to its own name in another case", "net", nullptr, nullptr, IDC_SECTION_NAME, "NET",
     IDM_SECTION_UPDATE, "NET,paths", "window[i:w=1],NET{host[i:port=80],blob[5:b]},paths{dir[s:d=here]}"},
    // Record Update checks the sections beside the record, as Record Add does.
    {"record renamed to a section's name in another case", "", "window", nullptr, IDC_RECORD_NAME, "Net",
     IDM_RECORD_UPDATE, "net,paths", kBase},
    // Names that the written layout cannot carry back.
    {"section added with a colon", "net", nullptr, nullptr, IDC_SECTION_NAME, "a:b", IDM_SECTION_ADD,
     "net,paths", kBase},
    {"section added with a semicolon", "net", nullptr, nullptr, IDC_SECTION_NAME, "a;b", IDM_SECTION_ADD,
     "net,paths", kBase},
    {"section added with a leading blank", "net", nullptr, nullptr, IDC_SECTION_NAME, " lead",
     IDM_SECTION_ADD, "net,paths", kBase},
    {"section renamed with a colon", "net", nullptr, nullptr, IDC_SECTION_NAME, "a:b", IDM_SECTION_UPDATE,
     "net,paths", kBase},
    {"record added with a bracket", "net", nullptr, nullptr, IDC_RECORD_NAME, "r[1", IDM_RECORD_ADD,
     "net,paths", kBase},
    {"record added with an equals sign", "net", nullptr, nullptr, IDC_RECORD_NAME, "r=1", IDM_RECORD_ADD,
     "net,paths", kBase},
    {"record renamed with a bracket", "net", "host", nullptr, IDC_RECORD_NAME, "h[x", IDM_RECORD_UPDATE,
     "net,paths", kBase},
    {"byte array's record renamed with a colon", "net", "blob", nullptr, IDC_RECORD_NAME, "a:b",
     IDM_RECORD_UPDATE, "net,paths", kBase},
    {"byte array's record renamed to a plain name", "net", "blob", nullptr, IDC_RECORD_NAME, "bytes",
     IDM_RECORD_UPDATE, "net,paths", "window[i:w=1],net{host[i:port=80],bytes[5:b]},paths{dir[s:d=here]}"},
    {"value added with a closing bracket", "net", "host", nullptr, IDC_VALUE_NAME, "v]", IDM_VALUE_ADD,
     "net,paths", kBase},
    {"value added with an equals sign", "net", "host", nullptr, IDC_VALUE_NAME, "v=1", IDM_VALUE_ADD,
     "net,paths", kBase},
    {"value replaced under a name with a closing bracket", "net", "host", "(int)port = 80", IDC_VALUE_NAME,
     "p]", IDM_VALUE_UPDATE, "net,paths", kBase},
};

TEST_F(EditorDataSafety, NamesThatWouldNotLoadBackAsTheyAreRefused) {
  for (const CommandCase& c : kCommandCases) {
    SCOPED_TRACE(c.title);
    WriteDocument(path_);
    EditorRun& e = Start();
    if (*c.item == '\0') {
      e.Command(IDM_GO_TO_ROOT);
    } else {
      ASSERT_TRUE(e.SelectItem(c.item));
    }
    if (c.record != nullptr) {
      ASSERT_TRUE(e.SelectLine(IDC_RECORDS, c.record));
    }
    if (c.value != nullptr) {
      ASSERT_TRUE(e.SelectLine(IDC_VALUES, c.value));
    }
    e.SelectType(kInt);
    e.SetField(IDC_VALUE_TEXT, "7");
    e.SetField(c.field, c.text);
    e.Command(c.command);
    EXPECT_EQ(e.TreeText(), c.tree);
    EXPECT_EQ(Dump(CurrentDocument()), c.dump);
    EXPECT_EQ(SaveAndReload(), c.dump);
    editor_.reset();
  }
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
