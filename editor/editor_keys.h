// The keys of Windows editors for the main window, which DialogBox runs in a
// loop of its own with no room for an accelerator table: a message filter
// hook of the dialog's thread sees each message before the dialog manager
// does, acts on Ctrl+S, Ctrl+O, Ctrl+F, Ctrl+Z and Ctrl+Y while the main
// window or one of its controls has the focus, and hides the refusal
// balloon at the next key or click there. Nested dialogs (Find, About, the
// message boxes, the file dialogs) are windows of their own and keep their keys.
#pragma once

#include <windows.h>

#include "editor/refusal_balloon.h"

namespace editor {

// The command of Ctrl and a key (a virtual-key code), 0 for none. In an edit
// field Ctrl+Z and Ctrl+Y keep the field's own meaning.
int ShortcutCommand(WPARAM key, bool inEditField);

class EditorKeys {
 public:
  EditorKeys() = default;
  ~EditorKeys() { Remove(); }
  EditorKeys(const EditorKeys&) = delete;
  EditorKeys& operator=(const EditorKeys&) = delete;

  // Hooks the calling thread's dialog loops for dialog; balloon is hidden at
  // the next key or click in it.
  void Install(HWND dialog, RefusalBalloon* balloon);
  void Remove();

 private:
  static LRESULT CALLBACK Filter(int code, WPARAM wParam, LPARAM lParam);
  // True when the message was taken as a shortcut (the dialog never sees it).
  bool Take(const MSG& message);

  HHOOK hook_ = nullptr;
  HWND dialog_ = nullptr;
  RefusalBalloon* balloon_ = nullptr;
  EditorKeys* outer_ = nullptr;  // the hook of a dialog of this thread installed before
};

}  // namespace editor
