// The balloon that tells why a command was refused, pointing at the control
// it concerns, as Windows does when it refuses a file name. It is not modal:
// it stays until the next key or click (the caller hides it then).
#pragma once

#include <windows.h>

#include <string>

namespace editor {

class RefusalBalloon {
 public:
  RefusalBalloon() = default;
  ~RefusalBalloon();
  RefusalBalloon(const RefusalBalloon&) = delete;
  RefusalBalloon& operator=(const RefusalBalloon&) = delete;

  // Shows title and text in a balloon whose stem points at control, inside
  // owner (a field: at its bottom left; a tree or list: near its top left).
  void Show(HWND owner, HWND control, const char* title, const std::string& text);
  // Hides the balloon; nothing when none is shown.
  void Hide();
  bool Shown() const { return shown_; }
  // The tooltip window that draws the balloon; nullptr before the first one.
  HWND Window() const { return tip_; }
  // The control the latest balloon pointed at, and its text.
  HWND Control() const { return tool_; }
  const std::string& Text() const { return text_; }
  // Forgets the tooltip window, which its owner's destruction destroys.
  void Detach();

 private:
  HWND tip_ = nullptr;
  HWND owner_ = nullptr;
  HWND tool_ = nullptr;  // the control the balloon's one tool stands for
  std::string text_;     // the tool's text, kept for the tooltip to read
  bool shown_ = false;
};

}  // namespace editor
