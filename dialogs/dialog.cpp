// Dialog: the object bound to one modal dialog window, and the dialog
// procedure that every Dialog runs on.
#include "dialog.h"

#include <memory>
#include <utility>

namespace dlg {

namespace {

constexpr WORD kModalRun = 1;  // flags bit 0: a modal run is in progress

// EnumChildWindows callback of CreateControls: one wrapper per child whose
// class name can be read and whose ID is not -1.
BOOL CALLBACK AddChildControl(HWND child, LPARAM lParam) {
  Dialog* dialog = reinterpret_cast<Dialog*>(lParam);
  char className[64];
  if (GetClassNameA(child, className, sizeof className) == 0) return TRUE;
  const int id = static_cast<int>(GetWindowLongPtrA(child, GWLP_ID));
  if (id == -1) return TRUE;
  const DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(child, GWL_EXSTYLE));
  if (std::unique_ptr<ControlWrapper> wrapper =
          ControlFactories().Create(className, child, id, style, exStyle)) {
    dialog->AddControl(std::move(wrapper));
  }
  return TRUE;
}

}  // namespace

Dialog::Dialog(HINSTANCE instance, int templateId, HWND parent)
    : instance(instance),
      templateId(templateId),
      parent(parent),
      procedure(SharedDialogProc),
      flags(0) {}

Dialog::~Dialog() { DestroyControls(); }

int Dialog::OnMessage(WindowMessage* message) {
  if (message->message == WM_COMMAND) {
    const int command = message->CommandWord();
    if (command == IDOK) {
      End(1);
    } else if (command == IDCANCEL) {
      End(0);
    }
  }
  return 0;
}

int Dialog::Dispatch(WindowMessage* message) {
  switch (message->message) {
    case WM_DESTROY:
      UnbindControls();
      DestroyControls();
      break;
    case WM_HELP: {
      HELPINFO* help = reinterpret_cast<HELPINFO*>(message->lParam);
      if (!help) break;
      if (help->iContextType != 0) {
        help->iContextType = 0;
        help->dwContextId = static_cast<DWORD_PTR>(templateId);
      }
      if (HWND owner = ref.Parent()) {
        SendMessageA(owner, WM_HELP, message->wParam, message->lParam);
      }
      break;
    }
    case WM_INITDIALOG:
      CreateControls(message->window);
      BindControls();
      break;
    default:
      break;
  }
  return OnMessage(message);
}

INT_PTR Dialog::ShowModal() {
  flags |= kModalRun;
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), parent,
                                         procedure, reinterpret_cast<LPARAM>(this));
  // A dialog that could not be created was never ended: leave no run behind.
  flags &= static_cast<WORD>(~kModalRun);
  return result;
}

int Dialog::End(int result) {
  if (!(flags & kModalRun)) return 0;
  flags &= static_cast<WORD>(~kModalRun);
  return EndDialog(ref.Resolve(), result);
}

ControlWrapper* Dialog::FindControl(int id) const {
  for (const std::unique_ptr<ControlWrapper>& wrapper : controls) {
    if (wrapper->ref.Id() == id) return wrapper.get();
  }
  return nullptr;
}

void Dialog::AddControl(std::unique_ptr<ControlWrapper> wrapper) {
  controls.push_back(std::move(wrapper));
}

void Dialog::CreateControls(HWND window) {
  EnumChildWindows(window, AddChildControl, reinterpret_cast<LPARAM>(this));
}

void Dialog::BindControls() {
  const HWND window = ref.Resolve();
  for (const std::unique_ptr<ControlWrapper>& wrapper : controls) wrapper->ref.SetHandle(window);
}

void Dialog::UnbindControls() {
  for (const std::unique_ptr<ControlWrapper>& wrapper : controls) wrapper->ref.SetHandle(nullptr);
}

void Dialog::DestroyControls() {
  while (!controls.empty()) controls.pop_back();
}

INT_PTR CALLBACK SharedDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowMessage record(hwnd, message, wParam, lParam);
  Dialog* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    dialog = reinterpret_cast<Dialog*>(lParam);
    dialog->ref.SetHandle(hwnd);
  }
  if (!dialog) return 1;
  return dialog->Dispatch(&record);
}

}  // namespace dlg
