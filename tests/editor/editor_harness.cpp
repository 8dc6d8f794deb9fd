#include "editor_harness.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

#include "dialogs/control_wrapper.h"
#include "editor/main_dialog.h"
#include "resources/resource.h"

namespace editor_test {
namespace {

// How long a wait for a window may take before the test gives up on it.
constexpr int kWaitLimitMs = 20000;

template <class F>
auto WaitUntil(F condition) -> decltype(condition()) {
  for (int waited = 0;; waited += 10) {
    auto result = condition();
    if (result || waited >= kWaitLimitMs) return result;
    Sleep(10);
  }
}

// Sync's marker: a message no window acts on, posted behind whatever the test
// has posted before. The editor's thread counts the markers it takes from its
// queue in a GetMessage hook.
const UINT kSyncMarker = RegisterWindowMessageA("editor_test sync marker");
std::atomic<WPARAM> markerPosted{0};
std::atomic<WPARAM> markerTaken{0};

LRESULT CALLBACK TakeSyncMarker(int code, WPARAM removal, LPARAM param) {
  const auto* message = reinterpret_cast<const MSG*>(param);
  if (code == HC_ACTION && removal == PM_REMOVE && message->message == kSyncMarker)
    markerTaken = message->wParam;
  return CallNextHookEx(nullptr, code, removal, param);
}

std::string WindowText(HWND window) {
  int length = GetWindowTextLengthA(window);
  std::string text(length + 1, '\0');
  GetWindowTextA(window, text.data(), length + 1);
  text.resize(lstrlenA(text.c_str()));
  return text;
}

std::string ClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

void DumpValue(const cfg::Value* value, std::ostringstream& out) {
  const char* name = value->GetName() != nullptr ? value->GetName() : "";
  switch (value->Type()) {
    case cfg::ValueType::Int: out << "i:" << name << '=' << value->GetInt(); break;
    case cfg::ValueType::String: out << "s:" << name << '=' << value->GetString(); break;
    default: out << static_cast<int>(value->Type()) << ':' << name; break;
  }
}

}  // namespace

std::string Dump(const cfg::Record* record);

namespace {

void DumpInto(const cfg::Section* section, std::ostringstream& out) {
  bool first = true;
  for (int i = 1; i <= section->Count(); ++i) {
    cfg::NamedObject* item = section->ItemAt(i);
    if (item == nullptr) continue;
    if (!first) out << ',';
    first = false;
    const char* name = item->GetName() != nullptr ? item->GetName() : "";
    auto* node = static_cast<cfg::ConfigNode*>(item);
    if (node->IsRecord()) {
      auto* record = static_cast<cfg::Record*>(node);
      out << name << '[' << Dump(record) << ']';
    } else {
      out << name << '{';
      DumpInto(static_cast<cfg::Section*>(node), out);
      out << '}';
    }
  }
}

struct FindData {
  HWND exclude;
  const std::string* caption;  // nullptr: any caption
  HWND found;
};

BOOL CALLBACK FindDialogProc(HWND window, LPARAM param) {
  auto* data = reinterpret_cast<FindData*>(param);
  if (window == data->exclude || !IsWindowVisible(window) || ClassName(window) != "#32770")
    return TRUE;
  if (data->caption != nullptr && WindowText(window) != *data->caption) return TRUE;
  data->found = window;
  return FALSE;
}

std::once_flag frameworkOnce;

}  // namespace

std::string Dump(const cfg::Section* section) {
  std::ostringstream out;
  if (section != nullptr) DumpInto(section, out);
  return out.str();
}

std::string Dump(const cfg::Record* record) {
  std::ostringstream out;
  bool first = true;
  for (int v = 1; record != nullptr && v <= record->Count(); ++v) {
    cfg::Value* value = record->ValueAt(v);
    if (value->IsNone()) continue;
    if (!first) out << ',';
    first = false;
    DumpValue(value, out);
  }
  return out.str();
}

TempDir::TempDir() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static int counter = 0;
  char name[MAX_PATH];
  wsprintfA(name, "%scfgedit test %lu-%d", base, GetCurrentProcessId(), ++counter);
  CreateDirectoryA(name, nullptr);
  dir_ = name;
}

TempDir::~TempDir() {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir_ + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileA((dir_ + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(dir_.c_str());
}

std::string TempDir::Path(const std::string& name) const { return dir_ + "\\" + name; }

std::string TempDir::Write(const std::string& name, const std::string& text) const {
  std::string path = Path(name);
  std::ofstream out(path, std::ios::binary);
  out << text;
  return path;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string result;
  for (char c : text)
    if (c != '\r') result += c;
  return result;
}

namespace {
// The session of the editor run started last, for CurrentDocument().
editor::DocumentSession* latestSession = nullptr;
}  // namespace

EditorRun::EditorRun(const std::string& commandLine, bool hasCommandLine)
    : commandLine_(commandLine.begin(), commandLine.end()), hasCommandLine_(hasCommandLine) {
  commandLine_.push_back('\0');
  std::call_once(frameworkOnce, [] { dlg::InitDialogFramework(); });
  latestSession = &session_;
  ui_ = std::thread([this] {
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, TakeSyncMarker, nullptr, GetCurrentThreadId());
    threadId_ = GetCurrentThreadId();
    MainDialog dialog(GetModuleHandleA(nullptr), hasCommandLine_ ? commandLine_.data() : nullptr, session_);
    dialog_ = &dialog;
    result_ = dialog.ShowModal();
    dialog_ = nullptr;
    UnhookWindowsHookEx(hook);
    ended_ = true;
  });
  WaitUntil([this] { return threadId_ != 0; });
}

EditorRun::~EditorRun() {
  CloseEverything();
  if (ui_.joinable()) ui_.join();
  if (latestSession == &session_) latestSession = nullptr;
}

cfg::Section* CurrentDocument() {
  return latestSession != nullptr ? latestSession->Document() : nullptr;
}

const cfg::Section* SectionClipboard() {
  return latestSession != nullptr ? latestSession->Clipboard() : nullptr;
}

void EditorRun::CloseEverything() {
  for (int round = 0; round < 20 && !ended_; ++round) {
    // Nested boxes and file dialogs first, innermost last found.
    if (HWND other = AnyOtherWindow()) {
      PostMessageA(other, WM_COMMAND, IDCANCEL, 0);
      PostMessageA(other, WM_COMMAND, IDNO, 0);
      WaitGone(other);
      continue;
    }
    if (HWND main = main_ != nullptr ? main_.load() : nullptr) {
      PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    } else if (MainDialog* dialog = dialog_) {
      if (HWND window = dialog->Window()) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    WaitUntil([this] { return ended_.load() || AnyOtherWindow() != nullptr; });
  }
}

HWND EditorRun::Main() {
  if (main_ != nullptr) return main_;
  HWND found = WaitUntil([this]() -> HWND {
    MainDialog* dialog = dialog_;
    if (dialog == nullptr) return nullptr;
    HWND window = dialog->Window();
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
  });
  main_ = found;
  return found;
}

bool EditorRun::WaitEnded() {
  return WaitUntil([this] { return ended_.load(); });
}

cfg::Section* EditorRun::Current() const {
  MainDialog* dialog = dialog_;
  return dialog != nullptr ? dialog->CurrentSection() : nullptr;
}

void EditorRun::Command(int id, int code) {
  SendMessageA(Main(), WM_COMMAND, MAKEWPARAM(id, code), 0);
}

void EditorRun::PostCommand(int id) {
  PostMessageA(Main(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void EditorRun::Sync() {
  // A sent message is handled before any posted one, so WM_NULL alone could
  // overtake a message posted just before: the marker goes behind those first.
  WPARAM marker = ++markerPosted;
  PostMessageA(Main(), kSyncMarker, marker, 0);
  WaitUntil([marker] { return markerTaken.load() >= marker; });
  SendMessageA(Main(), WM_NULL, 0, 0);
}

void EditorRun::SetField(int id, const std::string& text) {
  SetDlgItemTextA(Main(), id, text.c_str());
}

std::string EditorRun::Field(int id) { return WindowText(GetDlgItem(Main(), id)); }

std::vector<std::string> EditorRun::Lines(int listId) { return ListLines(GetDlgItem(Main(), listId)); }

std::vector<std::string> ListLines(HWND list) {
  std::vector<std::string> lines;
  LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
    std::string line(length + 1, '\0');
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
    line.resize(length);
    lines.push_back(line);
  }
  return lines;
}

int EditorRun::Selection(int listId) {
  return static_cast<int>(SendDlgItemMessageA(Main(), listId, LB_GETCURSEL, 0, 0));
}

void EditorRun::SelectLine(int listId, int index) {
  HWND list = GetDlgItem(Main(), listId);
  SendMessageA(list, LB_SETCURSEL, index, 0);
  SendMessageA(Main(), WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

bool EditorRun::SelectLine(int listId, const std::string& text) {
  std::vector<std::string> lines = Lines(listId);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == text) {
      SelectLine(listId, static_cast<int>(i));
      return true;
    }
  }
  return false;
}

void EditorRun::SelectType(int index) {
  SendDlgItemMessageA(Main(), IDC_TYPE, CB_SETCURSEL, index, 0);
}

int EditorRun::TypeSelection() {
  return static_cast<int>(SendDlgItemMessageA(Main(), IDC_TYPE, CB_GETCURSEL, 0, 0));
}

HTREEITEM NextItem(HWND tree, HTREEITEM item, WPARAM relation) {
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM FirstChildShown(HWND tree, HTREEITEM item) {
  const auto handle = reinterpret_cast<LPARAM>(item);
  const bool expanded = (SendMessageA(tree, TVM_GETITEMSTATE, handle, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  if (expanded || SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, handle) == 0) return NextItem(tree, item, TVGN_CHILD);
  HTREEITEM child = NextItem(tree, item, TVGN_CHILD);
  SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, handle);
  return child;
}

bool ShowsButton(HWND tree, HTREEITEM item) {
  TVITEMA data{};
  data.mask = TVIF_CHILDREN;
  data.hItem = item;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  return data.cChildren != 0;
}

TreeItemData ReadTreeItem(HWND tree, HTREEITEM item) {
  char buffer[512] = {};
  TVITEMA data{};
  data.mask = TVIF_TEXT | TVIF_PARAM;
  data.hItem = item;
  data.pszText = buffer;
  data.cchTextMax = sizeof buffer;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  return {buffer, data.lParam};
}

namespace {

std::string ItemText(HWND tree, HTREEITEM item) { return ReadTreeItem(tree, item).text; }

void TreeInto(HWND tree, HTREEITEM first, std::string& out) {
  for (HTREEITEM item = first; item != nullptr; item = NextItem(tree, item, TVGN_NEXT)) {
    if (item != first) out += ',';
    out += ItemText(tree, item);
    if (HTREEITEM child = FirstChildShown(tree, item)) {
      out += '(';
      TreeInto(tree, child, out);
      out += ')';
    }
  }
}

}  // namespace

std::string EditorRun::TreeText() {
  HWND tree = GetDlgItem(Main(), IDC_TREE);
  std::string out;
  TreeInto(tree, NextItem(tree, nullptr, TVGN_ROOT), out);
  return out;
}

HTREEITEM EditorRun::FindItem(const std::string& path) {
  HWND tree = GetDlgItem(Main(), IDC_TREE);
  HTREEITEM item = NextItem(tree, nullptr, TVGN_ROOT);
  size_t start = 0;
  while (item != nullptr) {
    size_t slash = path.find('/', start);
    std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    while (item != nullptr && ItemText(tree, item) != part) item = NextItem(tree, item, TVGN_NEXT);
    if (item == nullptr || slash == std::string::npos) return item;
    start = slash + 1;
    item = FirstChildShown(tree, item);
  }
  return nullptr;
}

void EditorRun::SelectItem(HTREEITEM item) {
  SendDlgItemMessageA(Main(), IDC_TREE, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

bool EditorRun::SelectItem(const std::string& path) {
  HTREEITEM item = FindItem(path);
  if (item == nullptr) return false;
  SelectItem(item);
  return true;
}

std::string EditorRun::SelectedPath() {
  HWND tree = GetDlgItem(Main(), IDC_TREE);
  std::string path;
  for (HTREEITEM item = NextItem(tree, nullptr, TVGN_CARET); item != nullptr;
       item = NextItem(tree, item, TVGN_PARENT))
    path = path.empty() ? ItemText(tree, item) : ItemText(tree, item) + "/" + path;
  return path;
}

UINT EditorRun::ItemState(HTREEITEM item) {
  return static_cast<UINT>(SendDlgItemMessageA(Main(), IDC_TREE, TVM_GETITEMSTATE,
                                               reinterpret_cast<WPARAM>(item), 0xFFFF));
}

void EditorRun::Drop(const std::vector<std::string>& paths) {
  size_t size = sizeof(DROPFILES) + 1;
  for (const std::string& path : paths) size += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  auto* block = static_cast<char*>(GlobalLock(memory));
  auto* header = reinterpret_cast<DROPFILES*>(block);
  header->pFiles = sizeof(DROPFILES);
  header->fWide = FALSE;
  char* name = block + sizeof(DROPFILES);
  for (const std::string& path : paths) {
    std::memcpy(name, path.c_str(), path.size() + 1);
    name += path.size() + 1;
  }
  GlobalUnlock(memory);
  // Posted: a file that cannot be opened brings up a modal box.
  PostMessageA(Main(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

HWND EditorRun::FindWindowNow(const std::string& caption) {
  FindData data{main_, &caption, nullptr};
  EnumThreadWindows(threadId_, FindDialogProc, reinterpret_cast<LPARAM>(&data));
  return data.found;
}

HWND EditorRun::WaitForWindow(const std::string& caption) {
  return WaitUntil([&] { return FindWindowNow(caption); });
}

HWND EditorRun::AnyOtherWindow() {
  FindData data{main_, nullptr, nullptr};
  EnumThreadWindows(threadId_, FindDialogProc, reinterpret_cast<LPARAM>(&data));
  return data.found;
}

namespace {

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM param) {
  auto* box = reinterpret_cast<BoxInfo*>(param);
  if (!IsWindowVisible(child)) return TRUE;
  std::string cls = ClassName(child);
  LONG style = GetWindowLongA(child, GWL_STYLE);
  if (lstrcmpiA(cls.c_str(), "Button") == 0) {
    box->buttons.push_back(WindowText(child));
  } else if (lstrcmpiA(cls.c_str(), "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      if (icon != nullptr) {
        box->anyIcon = true;
        if (icon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND))) box->handIcon = true;
      }
    } else if (box->text.empty()) {
      box->text = WindowText(child);
    }
  }
  return TRUE;
}

}  // namespace

BoxInfo EditorRun::ReadBox(HWND box) {
  BoxInfo info;
  if (box == nullptr) return info;
  info.caption = WindowText(box);
  EnumChildWindows(box, ReadBoxChild, reinterpret_cast<LPARAM>(&info));
  return info;
}

BoxInfo EditorRun::AnswerBox(const std::string& caption, int buttonId) {
  HWND box = WaitForWindow(caption);
  BoxInfo info = ReadBox(box);
  if (box != nullptr) {
    PostMessageA(box, WM_COMMAND, buttonId, 0);
    WaitGone(box);
  }
  return info;
}

bool EditorRun::WaitGone(HWND window) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

namespace {
// Controls of the common file dialog.
constexpr int kFileNameEdit = 0x480;   // edt1
constexpr int kFileNameCombo = 0x47c;  // cmb13
constexpr int kFilterCombo = 0x470;    // cmb1
}  // namespace

std::vector<std::string> EditorRun::FileDialogFilters(HWND dialog) {
  HWND combo = GetDlgItem(dialog, kFilterCombo);
  std::vector<std::string> names;
  LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[256] = {};
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    names.push_back(text);
  }
  return names;
}

int EditorRun::FileDialogFilterIndex(HWND dialog) {
  return static_cast<int>(SendDlgItemMessageA(dialog, kFilterCombo, CB_GETCURSEL, 0, 0));
}

void EditorRun::FileDialogAccept(HWND dialog, const std::string& path) {
  HWND field = GetDlgItem(dialog, kFileNameEdit);
  if (field == nullptr) field = GetDlgItem(dialog, kFileNameCombo);
  SetWindowTextA(field, path.c_str());
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void EditorRun::FileDialogCancel(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

}  // namespace editor_test
