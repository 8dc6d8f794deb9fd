#include "editor/about_dialog.h"

#include "resources/resource.h"

AboutDialog::AboutDialog(HINSTANCE instance, HWND owner) : Dialog(instance, IDD_ABOUT, owner) {}

int AboutDialog::OnMessage(dlg::WindowMessage* message) {
  if (message->message == WM_COMMAND) {
    int id = message->ControlId();
    if (id == IDOK || id == IDCANCEL) End(0);
  }
  return 0;
}
