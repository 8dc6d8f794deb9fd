#include "editor/editor_keys.h"

#include "resources/resource.h"

namespace editor {

namespace {

// The hook of the main window that runs on this thread now.
thread_local EditorKeys* tActive = nullptr;

bool IsEditField(HWND window) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  return lstrcmpiA(name, "Edit") == 0;
}

bool Pressed(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

int ShortcutCommand(WPARAM key, bool inEditField) {
  switch (key) {
    case 'S': return IDM_SAVE;
    case 'O': return IDM_OPEN;
    case 'F': return IDM_FIND;
    case 'Z': return inEditField ? 0 : IDM_UNDO;
    case 'Y': return inEditField ? 0 : IDM_REDO;
    default: return 0;
  }
}

void EditorKeys::Install(HWND dialog, RefusalBalloon* balloon) {
  Remove();
  dialog_ = dialog;
  balloon_ = balloon;
  hook_ = SetWindowsHookExA(WH_MSGFILTER, Filter, nullptr, GetCurrentThreadId());
  outer_ = tActive;
  tActive = this;
}

void EditorKeys::Remove() {
  if (hook_ == nullptr) return;
  UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  if (tActive == this) tActive = outer_;
}

LRESULT CALLBACK EditorKeys::Filter(int code, WPARAM wParam, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  if (code == MSGF_DIALOGBOX && message != nullptr && tActive != nullptr && tActive->Take(*message))
    return TRUE;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool EditorKeys::Take(const MSG& message) {
  if (message.hwnd != dialog_ && !IsChild(dialog_, message.hwnd)) return false;
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
      if (balloon_ != nullptr) balloon_->Hide();
      break;
    default:
      return false;
  }
  if (message.message != WM_KEYDOWN || !Pressed(VK_CONTROL) || Pressed(VK_MENU) || Pressed(VK_SHIFT))
    return false;
  int command = ShortcutCommand(message.wParam, IsEditField(message.hwnd));
  if (command == 0) return false;
  // Posted, so that a command that opens a dialog of its own runs outside the hook.
  PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(command, 1), 0);
  return true;
}

}  // namespace editor
