// The About box (template 103): the program's name, version, build and icon.
#pragma once

#include "dialogs/dialog.h"

class AboutDialog : public dlg::Dialog {
 public:
  AboutDialog(HINSTANCE instance, HWND owner);
  // OK, Enter, Esc and the close box end the box; every message returns 0.
  int OnMessage(dlg::WindowMessage* message) override;
};
