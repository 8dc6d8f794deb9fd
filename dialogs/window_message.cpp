// WindowMessage: decoding of the control ID, notification code and handle
// that the common messages carry; ShowMessage.
#include <cstdarg>

#include "window_message.h"

namespace dlg {

namespace {

// The ID of a window named by a handle the message carries; 0 for none.
int IdOfWindow(HANDLE window) {
  if (!window) return 0;
  return static_cast<int>(GetWindowLongPtrA(static_cast<HWND>(window), GWLP_ID));
}

// The 16-bit halves are always taken from the low 32 bits of a parameter.
unsigned Low32(WPARAM value) { return static_cast<unsigned>(value & 0xFFFFFFFFu); }

template <class T>
const T* At(LPARAM lParam) {
  return reinterpret_cast<const T*>(lParam);
}

}  // namespace

WindowMessage::WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    : window(window), message(message), wParam(wParam), lParam(lParam) {}

int WindowMessage::ControlId() const {
  switch (message) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_NOTIFY:
      return static_cast<int>(wParam);
    case WM_CONTEXTMENU:
    case WM_HSCROLL:
    case WM_VSCROLL:
      return IdOfWindow(HandleParam());
    case WM_COMMAND:
      return static_cast<int>(Low32(wParam) & 0xFFFFu);
    default:
      return 0;
  }
}

int WindowMessage::NotifyCode() const {
  switch (message) {
    case WM_NOTIFY: {
      const NMHDR* header = At<NMHDR>(lParam);
      return header ? static_cast<int>(header->code) : 0;
    }
    case WM_COMMAND:
      return static_cast<int>(Low32(wParam) >> 16);
    case WM_HSCROLL:
    case WM_VSCROLL:
      return static_cast<int>(Low32(wParam) & 0xFFFFu);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return static_cast<int>(message - WM_CTLCOLORMSGBOX);
    default:
      return 0;
  }
}

int WindowMessage::CommandWord() const {
  const unsigned code = static_cast<unsigned>(NotifyCode()) & 0xFFFFu;
  const unsigned id = static_cast<unsigned>(ControlId()) & 0xFFFFu;
  return static_cast<int>((code << 16) | id);
}

HANDLE WindowMessage::HandleParam() const {
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SETFONT:
    case WM_CONTEXTMENU:
    case WM_INITDIALOG:
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
    case WM_DROPFILES:
      return reinterpret_cast<HANDLE>(wParam);
    case WM_CHARTOITEM:
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_ENTERIDLE:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<HANDLE>(lParam);
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* item = At<DRAWITEMSTRUCT>(lParam);
      return item ? item->hwndItem : nullptr;
    }
    case WM_DELETEITEM: {
      const DELETEITEMSTRUCT* item = At<DELETEITEMSTRUCT>(lParam);
      return item ? item->hwndItem : nullptr;
    }
    case WM_COMPAREITEM: {
      const COMPAREITEMSTRUCT* item = At<COMPAREITEMSTRUCT>(lParam);
      return item ? item->hwndItem : nullptr;
    }
    case WM_NOTIFY: {
      const NMHDR* header = At<NMHDR>(lParam);
      return header ? header->hwndFrom : nullptr;
    }
    default:
      return nullptr;
  }
}

void ShowMessage(HWND owner, const char* caption, UINT style, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  wvsprintfA(text, format, args);
  va_end(args);
  MessageBoxA(owner, text, caption, style);
}

}  // namespace dlg
