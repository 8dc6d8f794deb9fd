// Wrappers of a dialog's child controls, and the registry of the factories
// that make them from the control's window class name.
//
// Each wrapper operation sends one message to its control and returns the
// control's answer in the type it means: an index or a count as int (with
// LB_ERR / CB_ERR, -1, for "no item" or failure, as the platform gives it),
// item data as LPARAM, and bool where the answer is only success or failure.
// The operations change the control, not the wrapper, so all are const.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "window_ref.h"

namespace dlg {

// Addresses one control as (dialog window, control ID). A wrapper never holds
// the control's handle; its ref resolves it afresh on every operation.
class ControlWrapper {
 public:
  explicit ControlWrapper(int id);
  // Addresses the window target names, as it names it. With a pinned ref
  // (WindowRef::Pinned) the wrapper sends its burst of messages without
  // resolving the control each time; it serves while that window lives.
  explicit ControlWrapper(const WindowRef& target);
  virtual ~ControlWrapper() = default;
  ControlWrapper(const ControlWrapper&) = delete;
  ControlWrapper& operator=(const ControlWrapper&) = delete;

  // WM_SETREDRAW. With redraw on, a list box or tree view repaints after every
  // insertion, and a fill of thousands of lines is spent painting (some 10 ms
  // a line in a visible sorted list box under Wine). A bulk fill therefore
  // turns redraw off, inserts, and turns it on again; turning it on does not
  // repaint what changed meanwhile, so the filler then invalidates the
  // control (ref.Invalidate(nullptr)).
  void SetRedraw(bool on) const;

  WindowRef ref;  // ByControlId; parent null until bound
};

class ListBoxControl : public ControlWrapper {
 public:
  using ControlWrapper::ControlWrapper;
  int AddString(const char* text) const;                   // LB_ADDSTRING: the new index
  int DeleteString(int index) const;                       // LB_DELETESTRING: items left
  void ResetContent() const;                               // LB_RESETCONTENT
  int GetCurSel() const;                                   // LB_GETCURSEL
  int GetItemText(int index, char* buffer) const;          // LB_GETTEXT: length copied
  int GetItemTextLength(int index) const;                  // LB_GETTEXTLEN
  LPARAM GetItemData(int index) const;                     // LB_GETITEMDATA
  bool SetItemData(int index, LPARAM data) const;          // LB_SETITEMDATA
  int FindStringExact(int start, const char* text) const;  // LB_FINDSTRINGEXACT
  // LB_INITSTORAGE: reserves room for `items` more lines holding `bytes` of
  // text in all, so that a bulk fill does not grow the list line by line.
  // The number of lines room is now reserved for, or LB_ERRSPACE.
  int InitStorage(int items, size_t bytes) const;
  // A new copy of the selected item's text; nullptr when nothing is selected,
  // the text is empty or memory runs out.
  std::unique_ptr<char[]> SelectedItemText() const;
};

class ComboBoxControl : public ControlWrapper {
 public:
  using ControlWrapper::ControlWrapper;
  int AddString(const char* text) const;           // CB_ADDSTRING: the new index
  int GetCurSel() const;                           // CB_GETCURSEL
  int SetCurSel(int index) const;                  // CB_SETCURSEL: index, or CB_ERR
  LPARAM GetItemData(int index) const;             // CB_GETITEMDATA
  bool SetItemData(int index, LPARAM data) const;  // CB_SETITEMDATA
};

// Makes a wrapper for a control, or returns nullptr to decline.
using ControlFactory = std::unique_ptr<ControlWrapper> (*)(const char* className, HWND window,
                                                           int id, DWORD style, DWORD exStyle);

// The factories a dialog asks for its wrappers, in registration order.
class ControlFactoryRegistry {
 public:
  // Appends a factory; false, with the registry unchanged, when memory runs out.
  bool Register(ControlFactory factory);
  // Appends the factories for "listbox" and "combobox" (each matched in any
  // case) and last the generic one, which wraps every other class (buttons,
  // edit fields, statics, the tree view: their text and messages go through
  // ref); false at the first failure.
  bool RegisterStandard();
  // The first non-null wrapper the factories make, in registration order;
  // nullptr when all decline (or there are none). Behind the generic factory
  // a factory is reached only when the generic one cannot allocate.
  std::unique_ptr<ControlWrapper> Create(const char* className, HWND window, int id,
                                         DWORD style, DWORD exStyle) const;

 private:
  std::vector<ControlFactory> factories_;
};

// The process-wide registry that every Dialog asks; empty until
// InitDialogFramework fills it.
ControlFactoryRegistry& ControlFactories();

// InitCommonControls, then the standard factories into ControlFactories();
// false when their registration fails.
bool InitDialogFramework();

}  // namespace dlg
