// Runs the real MainDialog on a thread of its own and drives its windows from
// the test thread, as a user would: commands, fields, list and tree
// selections, message boxes and the common file dialogs.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "config/config_node.h"
#include "editor/document_session.h"

class MainDialog;

namespace editor_test {

// The document of the editor run started last (it outlives the run's
// window until the run is destroyed); nullptr when none runs.
cfg::Section* CurrentDocument();
// Its section clipboard: what Copy put there and no Paste took; nullptr when empty.
const cfg::Section* SectionClipboard();

// A compact picture of a tree: sections as name{...}, records as name[...],
// values as i:name=5 / s:name=text / other types by their type code; unnamed
// values show an empty name.
std::string Dump(const cfg::Section* section);
// The values of one record, in slot order.
std::string Dump(const cfg::Record* record);

// A message box or dialog as the user sees it.
struct BoxInfo {
  std::string caption;
  std::string text;                  // the message text (the static that is not an icon)
  bool handIcon = false;             // the stop icon of MB_ICONHAND is shown
  bool anyIcon = false;              // some icon is shown
  std::vector<std::string> buttons;  // visible buttons, in child order
};

// The lines of a list box, in order.
std::vector<std::string> ListLines(HWND list);

// A folder of its own for each test, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  // A Windows path inside the folder.
  std::string Path(const std::string& name) const;
  std::string Write(const std::string& name, const std::string& text) const;

 private:
  std::string dir_;
};

// TVM_GETNEXTITEM: the item in that relation to item (null for TVGN_ROOT).
HTREEITEM NextItem(HWND tree, HTREEITEM item, WPARAM relation);
// The first child item of item as the user finds it on expanding item: the
// editor inserts an item's children when it is first expanded. item is left
// expanded or collapsed as it was.
HTREEITEM FirstChildShown(HWND tree, HTREEITEM item);
// True when the item shows a button (its cChildren is not 0).
bool ShowsButton(HWND tree, HTREEITEM item);

// A tree item's text and lParam.
struct TreeItemData {
  std::string text;
  LPARAM param = 0;
};
TreeItemData ReadTreeItem(HWND tree, HTREEITEM item);

// The file's text with carriage returns removed; "<missing>" when it cannot be read.
std::string ReadText(const std::string& path);

class EditorRun {
 public:
  // Starts the editor with that command line (none when hasCommandLine is false).
  explicit EditorRun(const std::string& commandLine = "", bool hasCommandLine = true);
  // Closes whatever dialogs are still open, ends the editor and waits for it.
  ~EditorRun();

  // The main window once it is shown; nullptr when it never appears.
  HWND Main();
  // True when the editor has ended (its modal run returned).
  bool Ended() const { return ended_; }
  INT_PTR Result() const { return result_; }
  // Waits until the editor has ended; false when it keeps running.
  bool WaitEnded();
  MainDialog* Dialog() const { return dialog_; }
  // The current section of the dialog.
  cfg::Section* Current() const;

  // A command (button or menu item): handled before this returns.
  void Command(int id, int code = BN_CLICKED);
  // A command that opens a nested modal window: queued, returns at once.
  void PostCommand(int id);
  // A round trip through the editor's message loop: returns once the editor
  // has handled every message sent or posted to it before the call.
  void Sync();

  void SetField(int id, const std::string& text);
  std::string Field(int id);
  std::vector<std::string> Lines(int listId);
  int Selection(int listId);
  // Selects a line as a click does: LB_SETCURSEL, then LBN_SELCHANGE.
  void SelectLine(int listId, int index);
  // Selects the line with that exact text; false when there is none.
  bool SelectLine(int listId, const std::string& text);
  void SelectType(int index);
  int TypeSelection();

  // The tree as text: "A(B,C),D", each item's text, children in parentheses;
  // the children as expanding their parent shows them (FirstChildShown).
  std::string TreeText();
  // The item at a path of texts "A/B", each parent's children as expanding
  // it shows them; nullptr when missing.
  HTREEITEM FindItem(const std::string& path);
  // Selects an item (nullptr for none) as a click does.
  void SelectItem(HTREEITEM item);
  bool SelectItem(const std::string& path);
  // The path of the selected item, "" when none.
  std::string SelectedPath();
  UINT ItemState(HTREEITEM item);

  // Drops files onto the main window with a real HDROP.
  void Drop(const std::vector<std::string>& paths);

  // A visible top-level dialog of the editor's thread with that caption,
  // other than the main window; waits for it. nullptr when it never appears.
  HWND WaitForWindow(const std::string& caption);
  // The same without waiting.
  HWND FindWindowNow(const std::string& caption);
  // Any visible dialog of the editor's thread other than the main window.
  HWND AnyOtherWindow();
  BoxInfo ReadBox(HWND box);
  // Waits for a box with that caption, reads it and presses its button id.
  BoxInfo AnswerBox(const std::string& caption, int buttonId = IDOK);
  // Waits until the window is gone.
  bool WaitGone(HWND window);

  // The common file dialog with that title: its file name field, its filter
  // list, and OK or Cancel.
  std::vector<std::string> FileDialogFilters(HWND dialog);
  int FileDialogFilterIndex(HWND dialog);
  void FileDialogAccept(HWND dialog, const std::string& path);
  void FileDialogCancel(HWND dialog);

 private:
  void CloseEverything();

  editor::DocumentSession session_;
  std::vector<char> commandLine_;
  bool hasCommandLine_;
  std::thread ui_;
  std::atomic<DWORD> threadId_{0};
  std::atomic<MainDialog*> dialog_{nullptr};
  std::atomic<bool> ended_{false};
  std::atomic<HWND> main_{nullptr};
  INT_PTR result_ = -2;
};

}  // namespace editor_test
