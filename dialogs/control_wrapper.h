// Wrappers of a dialog's child controls, and the registry of the factories
// that make them from the control's window class name.
#pragma once

#include <windows.h>

#include <memory>

#include "window_ref.h"

namespace dlg {

// Addresses one control as (dialog window, control ID). The dialog keeps its
// wrappers in a doubly linked list threaded through prev and next.
class ControlWrapper {
 public:
  explicit ControlWrapper(int id);
  virtual ~ControlWrapper() = default;
  ControlWrapper(const ControlWrapper&) = delete;
  ControlWrapper& operator=(const ControlWrapper&) = delete;

  // Called after the parent handle is set / cleared; 0 stops the dialog's walk.
  virtual int OnAttach();
  virtual int OnDetach();

  ControlWrapper* Next() const { return next_; }
  ControlWrapper* Prev() const { return prev_; }
  // Called on the list's head: links wrapper after the last one; returns wrapper.
  ControlWrapper* LinkAfterLast(ControlWrapper* wrapper);
  // Joins the neighbours to each other; this wrapper's own links stay.
  void Unlink();

  WindowRef ref;  // ByControlId; parent null until bound

 private:
  ControlWrapper* prev_ = nullptr;
  ControlWrapper* next_ = nullptr;
};

class ButtonControl : public ControlWrapper {
 public:
  using ControlWrapper::ControlWrapper;
};

class StaticControl : public ControlWrapper {
 public:
  using ControlWrapper::ControlWrapper;
};

// List boxes, and edit controls too. One message per operation.
class ListBoxControl : public ControlWrapper {
 public:
  using ControlWrapper::ControlWrapper;
  LRESULT AddString(const char* text);               // LB_ADDSTRING
  LRESULT DeleteString(int index);                   // LB_DELETESTRING
  LRESULT ResetContent();                            // LB_RESETCONTENT
  LRESULT GetCurSel();                               // LB_GETCURSEL
  LRESULT GetItemText(int index, char* buffer);      // LB_GETTEXT
  LRESULT GetItemTextLength(int index);              // LB_GETTEXTLEN
  LRESULT GetItemData(int index);                    // LB_GETITEMDATA
  LRESULT SetItemData(int index, LPARAM data);       // LB_SETITEMDATA
  LRESULT FindStringExact(int start, const char* text);  // LB_FINDSTRINGEXACT
  // A new copy of the selected item's text; nullptr when nothing is selected,
  // the text is empty or memory runs out.
  std::unique_ptr<char[]> SelectedItemText();
};

class ComboBoxControl : public ControlWrapper {
 public:
  using ControlWrapper::ControlWrapper;
  LRESULT AddString(const char* text);          // CB_ADDSTRING
  LRESULT GetCurSel();                          // CB_GETCURSEL
  LRESULT SetCurSel(int index);                 // CB_SETCURSEL
  LRESULT GetItemData(int index);               // CB_GETITEMDATA
  LRESULT SetItemData(int index, LPARAM data);  // CB_SETITEMDATA
};

// Makes a wrapper for a control, or returns nullptr to decline.
using ControlFactory = ControlWrapper* (*)(const char* className, HWND window, int id,
                                           DWORD style, DWORD exStyle);

// InitCommonControls, then RegisterStandardFactories; 1 on success, else 0.
int InitDialogFramework();
// Appends a factory to the registry; 1, or 0 when memory runs out.
int RegisterControlFactory(ControlFactory factory);
// Registers the factories for "button", "listbox", "edit", "static",
// "combobox" and last the generic one; 0 at the first failure, else 1.
int RegisterStandardFactories();
// The first non-null wrapper the registered factories make, in registration
// order; nullptr when all decline (or the registry is empty).
ControlWrapper* CreateControlWrapper(const char* className, HWND window, int id, DWORD style,
                                     DWORD exStyle);
// Number of registered factories.
unsigned RegisteredFactoryCount();
// Empties the registry and frees its table. For tests only: the program
// fills the registry once at start-up and never shrinks it.
void ClearControlFactories();

}  // namespace dlg
