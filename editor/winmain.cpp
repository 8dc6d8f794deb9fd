// The entry point of cfgedit.exe.
#include <windows.h>

#include "dialogs/control_wrapper.h"
#include "editor/document_session.h"
#include "editor/main_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (dlg::InitDialogFramework() == 0) return 0;
  // The document lives until the process ends: freeing a large one at exit
  // would only keep the user waiting.
  auto* session = new editor::DocumentSession;
  {
    MainDialog dialog(instance, commandLine, *session);
    dialog.ShowModal();
  }
  return 0;
}
