// The entry point of cfgedit.exe.
#include <windows.h>

#include "dialogs/control_wrapper.h"
#include "editor/editor_state.h"
#include "editor/main_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (dlg::InitDialogFramework() == 0) return 0;
  // A placeholder: the main dialog replaces it before anything is shown.
  CurrentDocument = new cfg::Section(cfg::kFileSection, "");
  {
    MainDialog dialog(instance, commandLine);
    dialog.ShowModal();
  }
  return 0;
}
