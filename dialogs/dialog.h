// A modal dialog window bound to an object, run on one shared dialog procedure.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "control_wrapper.h"
#include "window_message.h"
#include "window_ref.h"

namespace dlg {

class Dialog {
 public:
  // The dialog's wrappers, in the order their controls were enumerated.
  using ControlList = std::vector<std::unique_ptr<ControlWrapper>>;

  // No window yet: ref null, flags 0, no controls.
  Dialog(HINSTANCE instance, int templateId, HWND parent);
  virtual ~Dialog();  // DestroyControls()
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Each message, after Dispatch's generic work.
  // Base: WM_COMMAND with CommandWord() 1 ends with 1, with 2 ends with 0; returns 0.
  virtual int OnMessage(WindowMessage* message);
  // The framework's generic work, then OnMessage.
  virtual int Dispatch(WindowMessage* message);

  // Runs the dialog modally; the value given to End, or -1 when the dialog
  // cannot be created.
  INT_PTR ShowModal();
  // Ends a running modal dialog with result (EndDialog's result); 0 and no
  // effect when none is running.
  int End(int result);
  // The first wrapper in list order whose Id() is id; nullptr when none.
  ControlWrapper* FindControl(int id) const;
  template <class T>
  T* FindControlAs(int id) const { return dynamic_cast<T*>(FindControl(id)); }
  // Appends a wrapper at the end of the list.
  void AddControl(std::unique_ptr<ControlWrapper> wrapper);
  // A wrapper from ControlFactories() for every descendant window of window
  // whose ID is not -1, in the platform's enumeration order.
  void CreateControls(HWND window);
  // Makes the dialog window every wrapper's parent (null for Unbind).
  void BindControls();
  void UnbindControls();
  // Deletes every wrapper, last created first.
  void DestroyControls();

  HWND Window() const { return ref.Resolve(); }

 protected:
  WindowRef ref;
  HINSTANCE instance;
  int templateId;
  HWND parent;
  DLGPROC procedure;
  WORD flags;
  ControlList controls;

  friend INT_PTR CALLBACK SharedDialogProc(HWND, UINT, WPARAM, LPARAM);
};

// The dialog procedure of every Dialog.
INT_PTR CALLBACK SharedDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace dlg
