// Start-up with a command line, and the document commands: New, Open file,
// drops, Save and Save as, with every message box and file dialog they show.
#include <gtest/gtest.h>

#include <string>

#include "editor/main_dialog.h"
#include "editor_harness.h"
#include "resources/resource.h"

namespace editor_test {
namespace {

constexpr char kTwoSections[] =
    "{ alpha:\n"
    "    (int)r[v]=1\n"
    "} alpha;\n"
    "{ beta:\n"
    "} beta;\n";
constexpr char kEmptyMain[] = "{ MAIN:\n} MAIN;\n";

std::string DocumentName() {
  const char* name = CurrentDocument() != nullptr ? CurrentDocument()->GetName() : nullptr;
  return name != nullptr ? name : "<none>";
}

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

// The state right after start-up: the document shown in the tree and nothing
// listed; MAIN current and selected for a new or failed document.
void ExpectFreshView(EditorRun& editor, const std::string& tree, bool mainCurrent) {
  EXPECT_EQ(editor.TreeText(), tree);
  EXPECT_TRUE(editor.Lines(IDC_RECORDS).empty());
  EXPECT_TRUE(editor.Lines(IDC_VALUES).empty());
  if (mainCurrent) {
    EXPECT_EQ(editor.SelectedPath(), "MAIN");
    ASSERT_NE(editor.Current(), nullptr);
    EXPECT_STREQ(editor.Current()->GetName(), "MAIN");
    EXPECT_EQ(editor.Current(), CurrentDocument()->SectionAt(1));
  } else {
    EXPECT_EQ(editor.SelectedPath(), "");
    EXPECT_EQ(editor.Current(), nullptr);
  }
}

struct CommandLineCase {
  const char* title;
  const char* commandLine;  // $D stands for the test folder
  bool hasCommandLine;
  const char* failedPath;   // the path the error box names; nullptr: no box
  const char* tree;
  bool mainCurrent;
  const char* documentName;
};

TEST(EditorStartup, FirstTokenOfTheCommandLineNamesTheFile) {
  const CommandLineCase cases[] = {
      {"quoted path with blanks", "\"$D\\with blanks.cfg\"", true, nullptr, "alpha,beta", false,
       "$D\\with blanks.cfg"},
      {"two names separated by a blank are one token", "$D\\one.cfg $D\\two.cfg", true,
       "$D\\one.cfg $D\\two.cfg", "MAIN", true, "$D\\one.cfg $D\\two.cfg"},
      {"only separators", "\";'\"';", true, nullptr, "MAIN", true, "<none>"},
      {"empty command line", "", true, nullptr, "MAIN", true, "<none>"},
      {"no command line", "", false, nullptr, "MAIN", true, "<none>"},
      {"missing file", "$D\\missing.cfg", true, "$D\\missing.cfg", "MAIN", true, "$D\\missing.cfg"},
  };
  for (const CommandLineCase& c : cases) {
    SCOPED_TRACE(c.title);
    TempDir dir;
    std::string folder = dir.Path("");
    folder.pop_back();
    dir.Write("with blanks.cfg", kTwoSections);
    dir.Write("one.cfg", kTwoSections);
    dir.Write("two.cfg", kTwoSections);
    EditorRun editor(Replace(c.commandLine, "$D", folder), c.hasCommandLine);
    if (c.failedPath != nullptr) {
      BoxInfo box = editor.AnswerBox("Error");
      EXPECT_EQ(box.text, "Can not open file: " + Replace(c.failedPath, "$D", folder));
      EXPECT_TRUE(box.handIcon);
      EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
    }
    ASSERT_NE(editor.Main(), nullptr);
    EXPECT_EQ(editor.AnyOtherWindow(), nullptr);
    ExpectFreshView(editor, c.tree, c.mainCurrent);
    EXPECT_EQ(DocumentName(), Replace(c.documentName, "$D", folder));
    EXPECT_TRUE(CurrentDocument()->IsFile());
  }
}

TEST(EditorStartup, MissingFileIsSavedToItsPathWithoutAsking) {
  TempDir dir;
  std::string path = dir.Path("missing.cfg");
  EditorRun editor(path);
  editor.AnswerBox("Error");
  ASSERT_NE(editor.Main(), nullptr);
  editor.PostCommand(IDM_SAVE);
  BoxInfo box = editor.AnswerBox("Success");
  EXPECT_EQ(box.text, "File (" + path + ") saved.");
  EXPECT_FALSE(box.anyIcon);
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(ReadText(path), kEmptyMain);
}

TEST(EditorStartup, SaveThatCannotWriteReportsAndKeepsTheDocument) {
  TempDir dir;
  std::string path = dir.Path("no such folder\\x.cfg");
  EditorRun editor(path);
  editor.AnswerBox("Error");
  ASSERT_NE(editor.Main(), nullptr);
  editor.PostCommand(IDM_SAVE);
  BoxInfo box = editor.AnswerBox("Error");
  EXPECT_EQ(box.text, "File (" + path + ") not saved.");
  EXPECT_FALSE(box.anyIcon);
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(DocumentName(), path);
  EXPECT_EQ(Dump(CurrentDocument()), "MAIN{}");
}

TEST(EditorDocuments, NewReplacesTheDocumentWithMain) {
  TempDir dir;
  EditorRun editor(dir.Write("a.cfg", kTwoSections));
  ASSERT_NE(editor.Main(), nullptr);
  ASSERT_TRUE(editor.SelectItem("alpha"));
  ASSERT_TRUE(editor.SelectLine(IDC_RECORDS, "r"));
  ASSERT_EQ(editor.Lines(IDC_VALUES).size(), 1u);
  editor.Command(IDM_NEW);
  ExpectFreshView(editor, "MAIN", true);
  EXPECT_EQ(Dump(CurrentDocument()), "MAIN{}");
  EXPECT_EQ(DocumentName(), "<none>");
  EXPECT_EQ(editor.AnyOtherWindow(), nullptr);
}

TEST(EditorDocuments, OpenFileDialogLoadsTheChosenFileAndCancelKeepsTheDocument) {
  TempDir dir;
  std::string path = dir.Write("chosen.cfg", kTwoSections);
  EditorRun editor;
  ASSERT_NE(editor.Main(), nullptr);

  editor.PostCommand(IDM_OPEN);
  HWND open = editor.WaitForWindow("Open");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(editor.FileDialogFilters(open), (std::vector<std::string>{"Configuration files", "All files"}));
  EXPECT_EQ(editor.FileDialogFilterIndex(open), 0);
  editor.FileDialogAccept(open, path);
  ASSERT_TRUE(editor.WaitGone(open));
  editor.Sync();
  ExpectFreshView(editor, "alpha,beta", false);
  EXPECT_EQ(DocumentName(), path);

  ASSERT_TRUE(editor.SelectItem("alpha"));
  ASSERT_EQ(editor.Lines(IDC_RECORDS), std::vector<std::string>{"r"});
  cfg::Section* before = CurrentDocument();
  editor.PostCommand(IDM_OPEN);
  open = editor.WaitForWindow("Open");
  ASSERT_NE(open, nullptr);
  editor.FileDialogCancel(open);
  ASSERT_TRUE(editor.WaitGone(open));
  editor.Sync();
  EXPECT_EQ(CurrentDocument(), before);
  ExpectFreshView(editor, "alpha,beta", false);
}

TEST(EditorDocuments, FailedOpenReportsAndLeavesAnEmptyDocumentThatSaveAsCannotWrite) {
  TempDir dir;
  std::string path = dir.Write("locked.cfg", kTwoSections);
  HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EditorRun editor;
  ASSERT_NE(editor.Main(), nullptr);
  editor.PostCommand(IDM_OPEN);
  HWND open = editor.WaitForWindow("Open");
  ASSERT_NE(open, nullptr);
  editor.FileDialogAccept(open, path);
  ASSERT_TRUE(editor.WaitGone(open));
  BoxInfo failed = editor.AnswerBox("Error");
  EXPECT_EQ(failed.text, "Can not open file: " + path);
  EXPECT_TRUE(failed.handIcon);
  editor.Sync();
  CloseHandle(lock);
  EXPECT_EQ(editor.AnyOtherWindow(), nullptr);
  ExpectFreshView(editor, "", false);
  EXPECT_FALSE(CurrentDocument()->IsFile());
  EXPECT_EQ(DocumentName(), "<none>");

  std::string target = dir.Path("target.cfg");
  editor.PostCommand(IDM_SAVE);  // unnamed: goes on to Save as
  HWND save = editor.WaitForWindow("Save as");
  ASSERT_NE(save, nullptr);
  editor.FileDialogAccept(save, target);
  BoxInfo box = editor.AnswerBox("Error");
  EXPECT_EQ(box.text, "File (" + target + ") not saved.");
  EXPECT_FALSE(box.anyIcon);
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(DocumentName(), target);
  EXPECT_EQ(ReadText(target), "<missing>");
}

TEST(EditorDocuments, SaveOfANewDocumentAsksForANameAndAddsTheExtension) {
  TempDir dir;
  EditorRun editor;
  ASSERT_NE(editor.Main(), nullptr);
  editor.PostCommand(IDM_SAVE);
  HWND save = editor.WaitForWindow("Save as");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(editor.FileDialogFilterIndex(save), 1);  // "All files"
  editor.FileDialogAccept(save, dir.Path("typed"));
  ASSERT_TRUE(editor.WaitGone(save));
  editor.Sync();
  EXPECT_EQ(editor.AnyOtherWindow(), nullptr);  // a successful Save as says nothing
  EXPECT_EQ(DocumentName(), dir.Path("typed.cfg"));
  EXPECT_EQ(ReadText(dir.Path("typed.cfg")), kEmptyMain);
  // The views are not touched.
  EXPECT_EQ(editor.TreeText(), "MAIN");
  EXPECT_EQ(editor.SelectedPath(), "MAIN");

  // Now named: Save writes without asking.
  editor.PostCommand(IDM_SAVE);
  BoxInfo box = editor.AnswerBox("Success");
  EXPECT_EQ(box.text, "File (" + dir.Path("typed.cfg") + ") saved.");
}

TEST(EditorDocuments, SaveAsWritesUnderTheNewNameAndKeepsIt) {
  TempDir dir;
  std::string source = dir.Write("source.cfg", kTwoSections);
  EditorRun editor(source);
  ASSERT_NE(editor.Main(), nullptr);
  editor.PostCommand(IDM_SAVE_AS);
  HWND save = editor.WaitForWindow("Save as");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(editor.FileDialogFilters(save), (std::vector<std::string>{"Configuration files", "All files"}));
  std::string copy = dir.Path("copy.cfg");
  editor.FileDialogAccept(save, copy);
  ASSERT_TRUE(editor.WaitGone(save));
  editor.Sync();
  EXPECT_EQ(editor.AnyOtherWindow(), nullptr);
  EXPECT_EQ(DocumentName(), copy);
  EXPECT_EQ(ReadText(copy), kTwoSections);
  EXPECT_EQ(editor.TreeText(), "alpha,beta");
}

TEST(EditorDocuments, DropOpensTheFirstOfThreeFiles) {
  TempDir dir;
  std::string first = dir.Write("first.cfg", "{ one:\n} one;\n");
  std::string second = dir.Write("second.cfg", kTwoSections);
  std::string third = dir.Write("third.cfg", kTwoSections);
  EditorRun editor;
  ASSERT_NE(editor.Main(), nullptr);
  editor.Drop({first, second, third});
  editor.Sync();
  ExpectFreshView(editor, "one", false);
  EXPECT_EQ(DocumentName(), first);
  EXPECT_EQ(editor.AnyOtherWindow(), nullptr);
}

TEST(EditorDocuments, DropOfAMissingFileReportsAndGivesMain) {
  TempDir dir;
  std::string missing = dir.Path("gone.cfg");
  EditorRun editor(dir.Write("a.cfg", kTwoSections));
  ASSERT_NE(editor.Main(), nullptr);
  ASSERT_TRUE(editor.SelectItem("alpha"));
  editor.Drop({missing});
  BoxInfo box = editor.AnswerBox("Error");
  EXPECT_EQ(box.text, "Can not open file: " + missing);
  EXPECT_TRUE(box.handIcon);
  editor.Sync();
  ExpectFreshView(editor, "MAIN", true);
  EXPECT_EQ(DocumentName(), missing);
}

TEST(EditorDocuments, DeeplyNestedDocumentOpens) {
  TempDir dir;
  const int depth = 10000;
  std::string text;
  for (int i = 0; i < depth; ++i) text += "{ s" + std::to_string(i) + ":\n";
  for (int i = depth - 1; i >= 0; --i) text += "} s" + std::to_string(i) + ";\n";
  EditorRun editor(dir.Write("deep.cfg", text));
  ASSERT_NE(editor.Main(), nullptr);
  std::string deepest = "s0";
  for (int i = 1; i < depth; ++i) deepest += "/s" + std::to_string(i);
  EXPECT_NE(editor.FindItem(deepest), nullptr);
  ASSERT_TRUE(editor.SelectItem("s0/s1/s2"));
  EXPECT_EQ(editor.Current(), CurrentDocument()->SectionAt(1)->SectionAt(1)->SectionAt(1));
}

}  // namespace
}  // namespace editor_test
