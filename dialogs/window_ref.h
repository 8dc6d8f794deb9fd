// References to windows: by handle, or as a control inside its dialog.
#pragma once

#include <windows.h>

#include <memory>

namespace dlg {

enum WindowRefKind : unsigned char { ByControlId = 1, ByHandle = 2 };

// Names a window by its handle, or as the control with an ID inside a parent
// window. A control reference never caches the control's handle: every
// operation resolves it afresh with GetDlgItem.
class WindowRef {
 public:
  // ByHandle, null handle, id 0.
  WindowRef();
  // ByControlId: the control id inside parent (parent may be null for now).
  WindowRef(HWND parent, int id);

  // ByControlId: GetDlgItem(parent, id); ByHandle: the stored handle.
  HWND Resolve() const;
  // Stores h: the window itself (ByHandle) or the parent (ByControlId).
  void SetHandle(HWND h);
  // A ByHandle reference to the window this one resolves to now. A burst of
  // messages to one control goes through it: resolving by control ID is a
  // GetDlgItem call each time, and under Wine that asks the window server for
  // the dialog's children, which costs more than a sorted list box's whole
  // LB_ADDSTRING.
  WindowRef Pinned() const;
  WindowRefKind Kind() const { return kind_; }

  // GetWindowLongPtrA(h, GWLP_HINSTANCE).
  HINSTANCE Instance() const;
  // ByControlId: the stored id, no platform call; else GetWindowLongPtrA(h, GWLP_ID).
  int Id() const;
  // InvalidateRect(h, rect, TRUE); rect null for the whole client area.
  BOOL Invalidate(const RECT* rect) const;
  // GetParent(h).
  HWND Parent() const;
  // SendMessageA(h, msg, wParam, lParam).
  LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) const;
  // WM_GETTEXTLENGTH.
  int TextLength() const;
  // GetWindowTextA(h, buffer, TextLength() + 1).
  void GetText(char* buffer) const;
  // SetWindowTextA(h, text).
  void SetText(const char* text) const;
  // A new copy of the window text; nullptr when the text is empty (or the
  // reference resolves to no window, or memory runs out).
  std::unique_ptr<char[]> TextCopy() const;
  // SetText of the value formatted with wsprintfA("%d").
  void SetInt(int value) const;

 private:
  WindowRefKind kind_;
  HWND handle_;
  int id_;
};

}  // namespace dlg
