// Test helpers: a modeless window made from a test template, a Dialog whose
// control list can be read, and one that runs a script of its own inside its
// modal loop.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/dialog.h"
#include "test_dialog_ids.h"

namespace dlgtest {

inline HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// A modeless dialog window built from a template, with a procedure that does
// nothing; destroyed with the object.
class ModelessWindow {
 public:
  explicit ModelessWindow(int templateId)
      : hwnd_(CreateDialogParamA(Module(), MAKEINTRESOURCEA(templateId), nullptr, NoProc, 0)) {}
  ~ModelessWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  ModelessWindow(const ModelessWindow&) = delete;
  ModelessWindow& operator=(const ModelessWindow&) = delete;

  HWND get() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

 private:
  static INT_PTR CALLBACK NoProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
  HWND hwnd_;
};

// A Dialog whose template ID and control list a test can read.
class ListedDialog : public dlg::Dialog {
 public:
  ListedDialog(int templateId, HWND parent) : Dialog(Module(), templateId, parent) {}
  int TemplateId() const { return templateId; }
  const ControlList& Controls() const { return controls; }
};

// What ShowModal returns when a script leaves the dialog running: the dialog
// then ends itself with this value once the script's messages are handled.
constexpr int kLeftRunning = 77;

// A Dialog whose hooks record their calls. Once initialised and running, it
// posts itself a message on which it runs the script inside the modal loop.
class ScriptedDialog : public ListedDialog {
 public:
  using Script = std::function<void(ScriptedDialog&)>;

  ScriptedDialog(int templateId, HWND parent, Script script = nullptr)
      : ListedDialog(templateId, parent), script_(std::move(script)) {}

  // "WM_INITDIALOG", "WM_DESTROY" as OnMessage sees them.
  std::vector<std::string> calls;
  // WM_DESTROY as OnMessage saw it.
  bool destroySeen = false;
  size_t controlsAtDestroy = kNotSeen;  // wrappers listed
  static constexpr size_t kNotSeen = static_cast<size_t>(-1);
  dlg::ControlWrapper* editAtDestroy = nullptr;
  // Copies of the HELPINFO of every WM_HELP that reached OnMessage.
  std::vector<HELPINFO> helps;

  bool Running() const { return (flags & 1) != 0; }
  HWND Hwnd() const { return Window(); }

  int OnMessage(dlg::WindowMessage* message) override {
    switch (message->message) {
      case WM_INITDIALOG:
        calls.push_back("WM_INITDIALOG");
        if (Running()) PostMessageA(message->window, kRunScript, 0, 0);
        break;
      case kRunScript:
        if (script_) script_(*this);
        if (Running()) PostMessageA(message->window, kEndLeftRunning, 0, 0);
        return 1;
      case kEndLeftRunning:
        End(kLeftRunning);
        return 1;
      case WM_DESTROY:
        calls.push_back("WM_DESTROY");
        destroySeen = true;
        controlsAtDestroy = Controls().size();
        editAtDestroy = FindControl(IDC_EDIT);
        break;
      case WM_HELP:
        helps.push_back(*reinterpret_cast<const HELPINFO*>(message->lParam));
        return 1;  // handled: the dialog manager adds nothing of its own
      default:
        break;
    }
    return Dialog::OnMessage(message);
  }

 private:
  static constexpr UINT kRunScript = WM_APP + 1;
  static constexpr UINT kEndLeftRunning = WM_APP + 2;
  Script script_;
};

}  // namespace dlgtest
