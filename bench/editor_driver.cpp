// Times the editor's work on large documents, as a user meets it, and the
// floor of that work: bare controls of the same classes filled with the same
// lines. Runs under Wine (or Windows) on a display; prints one JSON object.
//
//   editor_driver editor EDITOR FILE [--select-section] [--select-record]
//                 [--add-value] [--delete-undo] [--find PATTERN]... [--no-new]
//                 [--open FILE] [--timeout SECONDS]
//       starts EDITOR with FILE ("" for none) and times: start-up until its
//       main window is shown and answers; File > Open of another file through
//       the Open dialog; selecting the first top-level section (the records
//       list fills); selecting that section's first record (the values list
//       fills); one Value Add there; Section Delete of the selected section,
//       then Edit > Undo, which puts it back and lists its records again;
//       Edit > Find... of each PATTERN until its
//       hits are listed; New; Exit until the main window is gone (the
//       process must then end).
//       Each step is a message sent across processes (SendMessageTimeout), so
//       it returns when the editor has done the work. A step that does not
//       return in time ends the editor ("timeout"); a process that dies is a
//       "crash". Also the editor's peak working set.
//   editor_driver floor FILE records|values|tree [--rounds N] [--timeout SECONDS]
//       loads FILE with the core and fills a bare sorted list box (records of
//       the first top-level section, or the values of its first record, in
//       the lines the editor shows) or a bare tree view (every section) in a
//       visible window, with redraw off (and the list's storage reserved), N times (fewer
//       when slow); and empties it again (a tree in cuts of bounded depth,
//       from its deepest items up). A tree fill stops at the timeout.
//   editor_driver core FILE
//       loads FILE with the core; its load time and this process's peak
//       working set, the core's memory beside the editor's.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <psapi.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "config/config_node.h"
#include "config/value.h"
#include "resources/resource.h"

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

constexpr char kCaptionStart[] = "Pelk Standart Configuration file editor";
constexpr char kOpenCaption[] = "Open";
constexpr char kFindCaption[] = "Find";
constexpr double kDefaultTimeoutSeconds = 60;
constexpr DWORD kPollMilliseconds = 5;
constexpr int kDefaultFloorRounds = 3;
// The floor is filled again only while its rounds so far took less than this.
constexpr double kFloorRepeatSeconds = 20;
constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;
// The editor's value line is formatted into a buffer of this size.
constexpr size_t kValueLineSize = 1025;
// The bare controls: the styles of the editor's records list and tree view,
// at about the size the editor's dialog gives them.
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | LBS_NOTIFY | LBS_SORT | LBS_USETABSTOPS |
                             LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES |
                             TVS_LINESATROOT | TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS |
                             WS_BORDER | WS_TABSTOP;
constexpr int kWindowWidth = 620;
constexpr int kWindowHeight = 420;
constexpr int kControlWidth = 300;
constexpr int kControlHeight = 300;
constexpr int kMargin = 8;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double PeakMegabytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return -1;
  return static_cast<double>(counters.PeakWorkingSetSize) / kBytesPerMegabyte;
}

// ---------------------------------------------------------------------------
// The editor, driven from outside

// The edit field of the file name in an Explorer-style Open dialog: edt1,
// or the edit inside the combo box cmb13 (nested in a ComboBoxEx under Wine).
BOOL CALLBACK MatchFileNameField(HWND window, LPARAM param) {
  std::array<char, 16> name{};
  GetClassNameA(window, name.data(), static_cast<int>(name.size()));
  const int id = GetDlgCtrlID(window);
  if (lstrcmpiA(name.data(), "Edit") != 0 || (id != edt1 && id != cmb13)) return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

HWND FileNameField(HWND dialog) {
  HWND field = nullptr;
  EnumChildWindows(dialog, MatchFileNameField, reinterpret_cast<LPARAM>(&field));
  return field;
}

// A shown top-level window of one process whose caption starts with a text.
struct WindowSearch {
  DWORD processId;
  const char* captionStart;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
  std::array<char, 256> caption{};
  GetWindowTextA(window, caption.data(), static_cast<int>(caption.size()));
  if (std::strncmp(caption.data(), search->captionStart, std::strlen(search->captionStart)) != 0)
    return TRUE;
  search->found = window;
  return FALSE;
}

class EditorSession {
 public:
  EditorSession(double timeoutSeconds, json& steps) : timeout_(timeoutSeconds), steps_(steps) {}
  ~EditorSession() {
    if (process_ != nullptr) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
      }
      CloseHandle(process_);
    }
  }

  bool alive() const { return !stopped_; }
  HANDLE process() const { return process_; }
  HWND window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }

  // Starts the editor with the file; done when its main window is shown and
  // answers a message.
  bool Start(const std::string& editor, const std::string& file) {
    std::string commandLine = "\"" + editor + "\" " + file;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const Clock::time_point start = Clock::now();
    if (!CreateProcessA(editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
      Record("start", "error", Since(start), "CreateProcess failed");
      stopped_ = true;
      return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    window_ = WaitForWindow(kCaptionStart, "start", start);
    return window_ != nullptr && Send("start", start, window_, WM_NULL, 0, 0).has_value;
  }

  // File > Open as a user does it: the menu command, the path typed into the
  // Open dialog's file name field, its Open button. Done at the first answer
  // of the tree whose item count differs from before, or whose selection is
  // gone (the empty editor's item is selected, a refilled tree has none): the
  // editor answers only once it has refilled the tree.
  bool Open(const std::string& file) {
    const LRESULT before = Ask(IDC_TREE, TVM_GETCOUNT);
    const LRESULT selectedBefore = Ask(IDC_TREE, TVM_GETNEXTITEM, TVGN_CARET, 0);
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_OPEN, 0), 0);
    HWND dialog = WaitForWindow(kOpenCaption, "open", Clock::now());
    if (dialog == nullptr) return false;
    HWND field = FileNameField(dialog);
    Send("open", Clock::now(), field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()), false);
    const Clock::time_point start = Clock::now();
    if (!Send("open", start, dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)), false)
             .has_value)
      return false;
    for (;;) {
      Answer count = Send("open", start, Control(IDC_TREE), TVM_GETCOUNT, 0, 0, false);
      if (!count.has_value) return false;
      const bool selectionGone =
          selectedBefore != 0 && Ask(IDC_TREE, TVM_GETNEXTITEM, TVGN_CARET, 0) == 0;
      if (count.value != before || selectionGone) {
        Record("open", "ok", Since(start));
        Note("tree_items", count.value);
        return true;
      }
      if (Since(start) > timeout_) return TimedOut("open", start);
      Sleep(kPollMilliseconds);
    }
  }

  // Edit > Find... as a user does it: the menu command, the pattern typed
  // into the Find dialog's field, its Find button. Timed from the click until
  // the dialog answers, which it does once its list of hits is filled; the
  // step is named "find:PATTERN". The dialog is then closed, untimed.
  bool Find(const std::string& pattern) {
    const std::string name = "find:" + pattern;
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_FIND, 0), 0);
    HWND dialog = WaitForWindow(kFindCaption, name.c_str(), Clock::now());
    if (dialog == nullptr) return false;
    Send(name.c_str(), Clock::now(), GetDlgItem(dialog, IDC_FIND_TEXT), WM_SETTEXT, 0,
         reinterpret_cast<LPARAM>(pattern.c_str()), false);
    if (!Send(name.c_str(), Clock::now(), dialog, WM_COMMAND, MAKEWPARAM(IDC_FIND_START, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_FIND_START)))
             .has_value)
      return false;
    const Answer hits = Send(name.c_str(), Clock::now(), GetDlgItem(dialog, IDC_FIND_HITS), LB_GETCOUNT, 0, 0, false);
    if (hits.has_value) Note("lines", hits.value);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_FIND_CLOSE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_FIND_CLOSE)));
    const Clock::time_point closing = Clock::now();
    while (IsWindow(dialog)) {
      if (WaitForSingleObject(process_, kPollMilliseconds) == WAIT_OBJECT_0) return Died(name.c_str(), closing);
      if (Since(closing) > timeout_) return TimedOut(name.c_str(), closing);
    }
    return true;
  }

  struct Answer {
    bool has_value;
    LRESULT value;
  };

  // Sends a message and waits for the answer, within what is left of the
  // step's time since start; records the step under name when it is timed.
  Answer Send(const char* name, Clock::time_point start, HWND target, UINT message, WPARAM wParam,
              LPARAM lParam, bool timed = true) {
    if (stopped_) return {false, 0};
    const double left = timeout_ - Since(start);
    DWORD_PTR result = 0;
    const UINT waitMs = left > 0 ? static_cast<UINT>(left * 1000) : 1;
    if (SendMessageTimeoutA(target, message, wParam, lParam, SMTO_NORMAL, waitMs, &result) == 0) {
      if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) return {Died(name, start), 0};
      return {TimedOut(name, start), 0};
    }
    if (timed) Record(name, "ok", Since(start));
    return {true, static_cast<LRESULT>(result)};
  }

  // An untimed question to a control of the main window.
  LRESULT Ask(int control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    Answer answer = Send("query", Clock::now(), Control(control), message, wParam, lParam, false);
    return answer.has_value ? answer.value : -1;
  }

  bool Command(const char* name, int id, int notifyCode = 0, HWND from = nullptr) {
    return Send(name, Clock::now(), window_, WM_COMMAND, MAKEWPARAM(id, notifyCode),
                reinterpret_cast<LPARAM>(from))
        .has_value;
  }

  // Exit: done when the main window is gone (its controls with it); then the
  // process must end with exit code 0, or the exit is a crash. The time until
  // the process has ended is noted beside.
  void Exit() {
    if (stopped_) return;
    const Clock::time_point start = Clock::now();
    if (!Send("exit", start, window_, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0, false).has_value) return;
    while (IsWindow(window_)) {
      if (WaitForSingleObject(process_, kPollMilliseconds) == WAIT_OBJECT_0) break;
      if (Since(start) > timeout_) {
        TimedOut("exit", start);
        return;
      }
    }
    const double closed = Since(start);
    const double left = timeout_ - closed;
    const DWORD waitMs = left > 0 ? static_cast<DWORD>(left * 1000) : 1;
    if (WaitForSingleObject(process_, waitMs) != WAIT_OBJECT_0) {
      TimedOut("exit", start);
      return;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    if (code != 0) {
      Died("exit", start);
      return;
    }
    Record("exit", "ok", closed);
    Note("process_seconds", Since(start));
    stopped_ = true;
  }

  void Note(const char* name, json value) { steps_.back()[name] = std::move(value); }

  // The editor's peak working set so far joins what was seen before.
  void NotePeak() {
    if (!stopped_) peak_ = std::max(peak_, PeakMegabytes(process_));
  }
  double peak() const { return peak_; }

 private:
  // Waits for a shown window of the editor with the caption; the time counts
  // from start towards the step's timeout.
  HWND WaitForWindow(const char* captionStart, const char* name, Clock::time_point start) {
    WindowSearch search{processId_, captionStart, nullptr};
    while (search.found == nullptr) {
      if (WaitForSingleObject(process_, kPollMilliseconds) == WAIT_OBJECT_0) {
        Died(name, start);
        return nullptr;
      }
      if (Since(start) > timeout_) {
        TimedOut(name, start);
        return nullptr;
      }
      EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
  }

  void Record(const char* name, const char* outcome, double seconds, const char* detail = nullptr) {
    json step{{"step", name}, {"outcome", outcome}, {"seconds", seconds}};
    if (detail != nullptr) step["detail"] = detail;
    steps_.push_back(std::move(step));
  }
  bool Died(const char* name, Clock::time_point start) {
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    char detail[32];
    std::snprintf(detail, sizeof detail, "exit code 0x%08lX", static_cast<unsigned long>(code));
    Record(name, "crash", Since(start), detail);
    stopped_ = true;
    return false;
  }
  bool TimedOut(const char* name, Clock::time_point start) {
    Record(name, "timeout", Since(start));
    NotePeak();
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, INFINITE);
    stopped_ = true;
    return false;
  }

  double timeout_;
  json& steps_;
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
  bool stopped_ = false;
  double peak_ = -1;
};

struct EditorOptions {
  std::string editor;
  std::string file;
  std::string open;  // opened with File > Open after starting without a file
  bool selectSection = false;
  bool selectRecord = false;
  bool addValue = false;
  bool deleteUndo = false;
  std::vector<std::string> finds;  // patterns searched with Edit > Find..., in turn
  bool newDocument = true;
  double timeout = kDefaultTimeoutSeconds;
};

json RunEditor(const EditorOptions& options) {
  json result{{"mode", "editor"}, {"file", options.file}, {"steps", json::array()}};
  json& steps = result["steps"];
  EditorSession session(options.timeout, steps);
  if (session.Start(options.editor, options.file)) {
    session.Note("tree_items", session.Ask(IDC_TREE, TVM_GETCOUNT));
  }
  if (!options.open.empty() && session.alive()) session.Open(options.open);
  if (options.selectSection && session.alive()) {
    const LRESULT first = session.Ask(IDC_TREE, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    if (session.Send("select_section", Clock::now(), session.Control(IDC_TREE), TVM_SELECTITEM,
                     TVGN_CARET, first)
            .has_value)
      session.Note("lines", session.Ask(IDC_RECORDS, LB_GETCOUNT));
  }
  if (options.selectRecord && session.alive()) {
    session.Ask(IDC_RECORDS, LB_SETCURSEL, 0, 0);
    if (session.Command("select_record", IDC_RECORDS, LBN_SELCHANGE, session.Control(IDC_RECORDS)))
      session.Note("lines", session.Ask(IDC_VALUES, LB_GETCOUNT));
  }
  if (options.addValue && session.alive()) {
    constexpr int kIntTypeIndex = 0;  // the first entry of the type combo box
    session.Ask(IDC_VALUE_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("bench_added"));
    session.Ask(IDC_VALUE_TEXT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("7"));
    session.Ask(IDC_TYPE, CB_SETCURSEL, kIntTypeIndex, 0);
    if (session.Command("value_add", IDM_VALUE_ADD))
      session.Note("lines", session.Ask(IDC_VALUES, LB_GETCOUNT));
  }
  if (options.deleteUndo && session.alive()) {
    if (session.Command("section_delete", IDM_SECTION_DELETE))
      session.Note("tree_items", session.Ask(IDC_TREE, TVM_GETCOUNT));
    if (session.alive() && session.Command("undo", IDM_UNDO))
      session.Note("lines", session.Ask(IDC_RECORDS, LB_GETCOUNT));
  }
  for (const std::string& pattern : options.finds) {
    if (session.alive()) session.Find(pattern);
  }
  session.NotePeak();
  if (options.newDocument && session.alive()) {
    if (session.Command("new", IDM_NEW)) session.Note("tree_items", session.Ask(IDC_TREE, TVM_GETCOUNT));
  }
  session.NotePeak();
  session.Exit();
  if (session.peak() >= 0) result["peak_mb"] = session.peak();
  return result;
}

// ---------------------------------------------------------------------------
// The floor: bare controls in a window of this process

std::unique_ptr<cfg::Section> LoadDocument(const std::string& file) {
  auto document = std::make_unique<cfg::Section>(cfg::kFileSection, file.c_str());
  if (document->Load() == 0) {
    std::fprintf(stderr, "cannot load %s\n", file.c_str());
    return nullptr;
  }
  return document;
}

cfg::Section* FirstSection(const cfg::Section& document) {
  for (int i = 1; i <= document.Count(); ++i) {
    cfg::Section* child = document.SectionAt(i);
    if (!child->IsNull()) return child;
  }
  return nullptr;
}

cfg::Record* FirstRecord(const cfg::Section& section) {
  for (int i = 1; i <= section.Count(); ++i) {
    cfg::Record* record = section.RecordAt(i);
    if (!record->IsNull()) return record;
  }
  return nullptr;
}

// One line of the list and its item data.
struct Line {
  std::string text;
  LPARAM data;
};

std::vector<Line> RecordLines(const cfg::Section& section) {
  std::vector<Line> lines;
  for (int i = 1; i <= section.Count(); ++i) {
    cfg::Record* record = section.RecordAt(i);
    if (!record->IsNull()) lines.push_back({record->GetName(), 0});
  }
  return lines;
}

// The values list's lines, as the editor words them: ints and strings.
std::vector<Line> ValueLines(const cfg::Record& record) {
  std::vector<Line> lines;
  std::array<char, kValueLineSize> line;
  for (int i = 1; i <= record.Count(); ++i) {
    cfg::Value* value = record.ValueAt(i);
    const char* name = value->GetName() != nullptr ? value->GetName() : "";
    if (value->Type() == cfg::ValueType::Int)
      wsprintfA(line.data(), "(int)%s = %d", name, value->GetInt());
    else if (value->Type() == cfg::ValueType::String)
      wsprintfA(line.data(), "(string)%s = %s", name, value->GetString());
    else
      continue;
    lines.push_back({line.data(), reinterpret_cast<LPARAM>(value)});
  }
  return lines;
}

// Every section below the document, depth first in slot order, each with the
// index of its parent's entry (-1: a top-level section).
struct TreeEntry {
  const char* name;
  int parent;
  int depth;  // 0: a top-level section
};

std::vector<TreeEntry> TreeEntries(const cfg::Section& document) {
  std::vector<TreeEntry> entries;
  struct Level {
    const cfg::Section* section;
    int entry;
    int next;
  };
  std::vector<Level> levels{{&document, -1, 1}};
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next > level.section->Count()) {
      levels.pop_back();
      continue;
    }
    cfg::Section* child = level.section->SectionAt(level.next++);
    if (child->IsNull()) continue;
    entries.push_back({child->GetName(), level.entry, static_cast<int>(levels.size()) - 1});
    levels.push_back({child, static_cast<int>(entries.size()) - 1, 1});
  }
  return entries;
}

// Lets the window show and paint before anything is timed.
void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

double FillList(HWND list, const std::vector<Line>& lines) {
  size_t bytes = 0;
  for (const Line& line : lines) bytes += line.text.size() + 1;
  const Clock::time_point start = Clock::now();
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_INITSTORAGE, lines.size(), static_cast<LPARAM>(bytes));
  for (const Line& line : lines) {
    const LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.text.c_str()));
    if (line.data != 0 && index >= 0) SendMessageA(list, LB_SETITEMDATA, index, line.data);
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  return Since(start);
}

// Fills the tree with the entries, or with as many as it takes in limit
// seconds (items then holds fewer).
double FillTree(HWND tree, const std::vector<TreeEntry>& entries, std::vector<HTREEITEM>& items,
                double limit) {
  constexpr size_t kItemsBetweenChecks = 1024;
  items.clear();
  items.reserve(entries.size());
  const Clock::time_point start = Clock::now();
  SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
  for (const TreeEntry& entry : entries) {
    if (items.size() % kItemsBetweenChecks == 0 && Since(start) > limit) break;
    TVINSERTSTRUCTA insert{};
    insert.hParent = entry.parent < 0 ? TVI_ROOT : items[entry.parent];
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_STATE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(entry.name);
    insert.item.lParam = static_cast<LPARAM>(items.size() + 1);
    items.push_back(reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert))));
  }
  SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
  return Since(start);
}

// A tree view deletes an item's children recursively, one stack frame per
// level: subtrees are cut at every multiple of this depth, from the deepest
// up, so that no deletion goes deeper; then the rest goes at once.
constexpr int kDeleteDepthStep = 1000;

// Items were inserted depth first, so in reverse order the subtrees below an
// item are cut before the item itself.
double EmptyTree(HWND tree, const std::vector<TreeEntry>& entries,
                 const std::vector<HTREEITEM>& items) {
  const Clock::time_point start = Clock::now();
  SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
  for (size_t i = items.size(); i-- > 0;) {
    if (entries[i].depth > 0 && entries[i].depth % kDeleteDepthStep == 0)
      SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(items[i]));
  }
  SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
  return Since(start);
}

double EmptyList(HWND list) {
  const Clock::time_point start = Clock::now();
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  return Since(start);
}

json RunFloor(const std::string& file, const std::string& what, int rounds, double timeout) {
  std::unique_ptr<cfg::Section> document = LoadDocument(file);
  if (document == nullptr) return {{"mode", "floor"}, {"error", "cannot load"}};
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND frame = CreateWindowExA(0, "STATIC", "editor bench floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, kWindowWidth, kWindowHeight, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  const bool tree = what == "tree";
  HWND control = CreateWindowExA(0, tree ? WC_TREEVIEWA : "LISTBOX", "", tree ? kTreeStyle : kListStyle,
                                 kMargin, kMargin, kControlWidth, kControlHeight, frame, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  ShowWindow(frame, SW_SHOW);
  UpdateWindow(frame);
  PumpMessages();

  json result{{"mode", "floor"}, {"file", file}, {"what", what}};
  const Clock::time_point begin = Clock::now();
  json fills = json::array();
  json empties = json::array();
  if (tree) {
    const std::vector<TreeEntry> entries = TreeEntries(*document);
    std::vector<HTREEITEM> items;
    for (int i = 0; i < rounds && Since(begin) < kFloorRepeatSeconds; ++i) {
      const double seconds = FillTree(control, entries, items, timeout);
      PumpMessages();
      const double emptying = EmptyTree(control, entries, items);
      PumpMessages();
      if (items.size() < entries.size()) {
        result["fill_timeout"] = {{"seconds", seconds}, {"items", items.size()}};
        break;
      }
      fills.push_back(seconds);
      empties.push_back(emptying);
    }
    result["lines"] = entries.size();
  } else {
    const cfg::Section* section = FirstSection(*document);
    const cfg::Record* record = section != nullptr ? FirstRecord(*section) : nullptr;
    std::vector<Line> lines;
    if (what == "records" && section != nullptr) lines = RecordLines(*section);
    if (what == "values" && record != nullptr) lines = ValueLines(*record);
    for (int i = 0; i < rounds && Since(begin) < kFloorRepeatSeconds; ++i) {
      fills.push_back(FillList(control, lines));
      PumpMessages();
      empties.push_back(EmptyList(control));
      PumpMessages();
    }
    result["lines"] = lines.size();
  }
  result["fill_seconds"] = fills;
  result["empty_seconds"] = empties;
  DestroyWindow(frame);
  return result;
}

json RunCore(const std::string& file) {
  const Clock::time_point start = Clock::now();
  std::unique_ptr<cfg::Section> document = LoadDocument(file);
  const double seconds = Since(start);
  json result{{"mode", "core"}, {"file", file}, {"load_seconds", seconds}};
  result["peak_mb"] = PeakMegabytes(GetCurrentProcess());
  if (document == nullptr) result["error"] = "cannot load";
  return result;
}

int Usage() {
  std::fprintf(stderr,
               "usage: editor_driver editor EDITOR FILE [--select-section] [--select-record]\n"
               "                     [--add-value] [--delete-undo] [--find PATTERN]... [--no-new] [--open FILE]\n"
               "                     [--timeout SECONDS]\n"
               "       editor_driver floor FILE records|values|tree [--rounds N] [--timeout SECONDS]\n"
               "       editor_driver core FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // A crashing editor ends at once instead of waiting behind a crash dialog
  // (the error mode is inherited).
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  json result;
  if (args[0] == "editor" && args.size() >= 3) {
    EditorOptions options;
    options.editor = args[1];
    options.file = args[2];
    for (size_t i = 3; i < args.size(); ++i) {
      if (args[i] == "--select-section") options.selectSection = true;
      else if (args[i] == "--select-record") options.selectRecord = true;
      else if (args[i] == "--add-value") options.addValue = true;
      else if (args[i] == "--delete-undo") options.deleteUndo = true;
      else if (args[i] == "--no-new") options.newDocument = false;
      else if (args[i] == "--open" && i + 1 < args.size()) options.open = args[++i];
      else if (args[i] == "--find" && i + 1 < args.size()) options.finds.push_back(args[++i]);
      else if (args[i] == "--timeout" && i + 1 < args.size()) options.timeout = std::atof(args[++i].c_str());
      else return Usage();
    }
    result = RunEditor(options);
  } else if (args[0] == "floor" && args.size() >= 3) {
    int rounds = kDefaultFloorRounds;
    double timeout = kDefaultTimeoutSeconds;
    for (size_t i = 3; i < args.size(); i += 2) {
      if (i + 1 >= args.size()) return Usage();
      if (args[i] == "--rounds") rounds = std::max(1, std::atoi(args[i + 1].c_str()));
      else if (args[i] == "--timeout") timeout = std::atof(args[i + 1].c_str());
      else return Usage();
    }
    if (args[2] != "records" && args[2] != "values" && args[2] != "tree") return Usage();
    result = RunFloor(args[1], args[2], rounds, timeout);
  } else if (args[0] == "core" && args.size() == 2) {
    result = RunCore(args[1]);
  } else {
    return Usage();
  }
  std::printf("%s\n", result.dump().c_str());
  return result.contains("error") ? 1 : 0;
}
