// WindowRef: a window named by handle, or by control ID inside a parent.
#include "window_ref.h"

#include <new>

namespace dlg {

WindowRef::WindowRef() : kind_(ByHandle), handle_(nullptr), id_(0) {}

WindowRef::WindowRef(HWND parent, int id) : kind_(ByControlId), handle_(parent), id_(id) {}

HWND WindowRef::Resolve() const {
  if (kind_ == ByControlId) return GetDlgItem(handle_, id_);
  return handle_;
}

void WindowRef::SetHandle(HWND h) { handle_ = h; }

WindowRef WindowRef::Pinned() const {
  WindowRef pinned;
  pinned.SetHandle(Resolve());
  return pinned;
}

HINSTANCE WindowRef::Instance() const {
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(Resolve(), GWLP_HINSTANCE));
}

int WindowRef::Id() const {
  if (kind_ == ByControlId) return id_;
  return static_cast<int>(GetWindowLongPtrA(Resolve(), GWLP_ID));
}

BOOL WindowRef::Invalidate(const RECT* rect) const { return InvalidateRect(Resolve(), rect, TRUE); }

HWND WindowRef::Parent() const { return GetParent(Resolve()); }

LRESULT WindowRef::Send(UINT msg, WPARAM wParam, LPARAM lParam) const {
  return SendMessageA(Resolve(), msg, wParam, lParam);
}

int WindowRef::TextLength() const { return static_cast<int>(Send(WM_GETTEXTLENGTH, 0, 0)); }

void WindowRef::GetText(char* buffer) const { GetWindowTextA(Resolve(), buffer, TextLength() + 1); }

void WindowRef::SetText(const char* text) const { SetWindowTextA(Resolve(), text); }

std::unique_ptr<char[]> WindowRef::TextCopy() const {
  const int length = TextLength();
  if (length <= 0) return nullptr;
  std::unique_ptr<char[]> block(new (std::nothrow) char[length + 1]);
  if (!block) return nullptr;
  GetText(block.get());
  return block;
}

void WindowRef::SetInt(int value) const {
  char text[32];
  wsprintfA(text, "%d", value);
  SetText(text);
}

}  // namespace dlg
