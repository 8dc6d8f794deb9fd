#include "editor/refusal_balloon.h"

#include <commctrl.h>

namespace editor {

namespace {

// How far into a tree or list the stem points, in pixels from its top left:
// past the border, onto its first line.
constexpr int kListInset = 12;

// The tool of the balloon: tracked at a position of our choosing, the control
// standing for it.
TTTOOLINFOA ToolOf(HWND owner, HWND control, const char* text) {
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(text);
  return tool;
}

bool IsListLike(HWND control) {
  char name[32] = {};
  GetClassNameA(control, name, sizeof name);
  return lstrcmpiA(name, WC_TREEVIEWA) == 0 || lstrcmpiA(name, "ListBox") == 0;
}

}  // namespace

RefusalBalloon::~RefusalBalloon() {
  if (tip_ != nullptr && IsWindow(tip_)) DestroyWindow(tip_);
}

void RefusalBalloon::Detach() {
  tip_ = nullptr;
  owner_ = nullptr;
  tool_ = nullptr;
  shown_ = false;
}

void RefusalBalloon::Show(HWND owner, HWND control, const char* title, const std::string& text) {
  Hide();
  if (control == nullptr) return;
  if (tip_ == nullptr) {
    tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                           WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE)), nullptr);
    if (tip_ == nullptr) return;
  }
  if (tool_ != nullptr) {
    TTTOOLINFOA old = ToolOf(owner, tool_, nullptr);
    SendMessageA(tip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&old));
  }
  text_ = text;
  owner_ = owner;
  tool_ = control;
  TTTOOLINFOA tool = ToolOf(owner, control, text_.c_str());
  SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageA(tip_, TTM_SETTITLEA, TTI_WARNING, reinterpret_cast<LPARAM>(title));
  // The window's own text is the title too, so that tools that list windows
  // by their text (accessibility, test drivers) find the balloon.
  SetWindowTextA(tip_, title);
  RECT box{};
  GetWindowRect(control, &box);
  POINT at = IsListLike(control) ? POINT{box.left + kListInset, box.top + kListInset}
                                 : POINT{box.left + kListInset, box.bottom};
  SendMessageA(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
  SendMessageA(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  shown_ = true;
}

void RefusalBalloon::Hide() {
  if (!shown_ || tip_ == nullptr) return;
  TTTOOLINFOA tool = ToolOf(owner_, tool_, nullptr);
  SendMessageA(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  shown_ = false;
}

}  // namespace editor
