// The dialog tests run with the framework initialised as the program does it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "dialogs/control_wrapper.h"
#include "test_dialog_ids.h"

namespace {

INT_PTR CALLBACK NoProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Without a display (or with a Wine desktop left running by a program that
// had none) no window can be made, and every modal test would fail on its own.
bool WindowsCanBeCreated() {
  HWND probe = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_BASE), nullptr,
                                  NoProc, 0);
  if (!probe) return false;
  DestroyWindow(probe);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (!dlg::InitDialogFramework()) return 2;
  if (!WindowsCanBeCreated()) {
    std::fprintf(stderr, "no window can be created: is there a display?\n");
    return 3;
  }
  return RUN_ALL_TESTS();
}
