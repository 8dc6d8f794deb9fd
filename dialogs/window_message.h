// One message as a dialog procedure receives it, with decoders for what the
// common messages carry, and the formatted message box.
#pragma once

#include <windows.h>

namespace dlg {

// One message as the dialog procedure received it, with decoders for the
// control ID, notification code and handle that common messages carry.
class WindowMessage {
 public:
  WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // The control the message concerns (WM_COMMAND: LOWORD(wParam); WM_NOTIFY,
  // WM_DRAWITEM and kin: wParam; WM_CONTEXTMENU, WM_HSCROLL, WM_VSCROLL: the
  // ID of HandleParam()); 0 for other messages.
  int ControlId() const;
  // Notification or request code (WM_NOTIFY: NMHDR.code with its sign;
  // WM_COMMAND: HIWORD(wParam); scroll request; CTLCOLOR type); 0 otherwise.
  int NotifyCode() const;
  // (LOWORD(NotifyCode()) << 16) | LOWORD(ControlId()).
  int CommandWord() const;
  // The window, menu, font or drop handle the message carries; null otherwise.
  HANDLE HandleParam() const;

  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Formats the text with wvsprintfA (at most 1024 bytes) and shows
// MessageBoxA(owner, text, caption, style); returns when the box is closed.
void ShowMessage(HWND owner, const char* caption, UINT style, const char* format, ...);

}  // namespace dlg
