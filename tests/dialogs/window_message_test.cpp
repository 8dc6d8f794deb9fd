// Decoding of the control ID, notification code, command word and handle.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "dialogs/window_message.h"

namespace {

using dlg::WindowMessage;

struct DecodeCase {
  const char* name;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  int controlId;
  int notifyCode;
  int commandWord;
  LONG_PTR handle;
};

// Handles that only travel through the message, never used as windows; the
// wide one needs all 64 bits of a handle.
constexpr LONG_PTR kHandle = 0x5678;
constexpr LONG_PTR kWide = static_cast<LONG_PTR>(0x0000001234567890LL);

NMHDR selChanged{reinterpret_cast<HWND>(kHandle), 1005, static_cast<UINT>(TVN_SELCHANGEDA)};
DRAWITEMSTRUCT drawItem{};
DELETEITEMSTRUCT deleteItem{};
COMPAREITEMSTRUCT compareItem{};
MEASUREITEMSTRUCT measureItem{};

std::vector<DecodeCase> DecodeCases() {
  drawItem.hwndItem = reinterpret_cast<HWND>(kHandle);
  deleteItem.hwndItem = reinterpret_cast<HWND>(kHandle + 1);
  compareItem.hwndItem = reinterpret_cast<HWND>(kHandle + 2);
  const LPARAM nm = reinterpret_cast<LPARAM>(&selChanged);
  const unsigned selChangedWord = (static_cast<unsigned>(TVN_SELCHANGEDA) & 0xFFFFu) << 16 | 1005u;
  return {
      {"command ID 1 code 1", WM_COMMAND, MAKEWPARAM(1, 1), kHandle, 1, 1, 0x10001, kHandle},
      {"command IDOK clicked", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0, 1, 0, 1, 0},
      {"command IDCANCEL clicked", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0, 2, 0, 2, 0},
      {"command from a menu", WM_COMMAND, MAKEWPARAM(40001, 0), 0, 40001, 0, 40001, 0},
      {"command ID 65535 is not -1", WM_COMMAND, MAKEWPARAM(0xFFFF, 0), 0, 0xFFFF, 0, 0xFFFF, 0},
      {"command halves from the low 32 bits", WM_COMMAND,
       static_cast<WPARAM>(0xFFFFFFFF00050002ULL), 0, 2, 5, 0x50002, 0},
      {"notify keeps the sign", WM_NOTIFY, 1005, nm, 1005, -402,
       static_cast<int>(selChangedWord), kHandle},
      {"drawitem", WM_DRAWITEM, 1001, reinterpret_cast<LPARAM>(&drawItem), 1001, 0, 1001, kHandle},
      {"deleteitem", WM_DELETEITEM, 1001, reinterpret_cast<LPARAM>(&deleteItem), 1001, 0, 1001,
       kHandle + 1},
      {"compareitem", WM_COMPAREITEM, 1001, reinterpret_cast<LPARAM>(&compareItem), 1001, 0, 1001,
       kHandle + 2},
      {"measureitem has no handle", WM_MEASUREITEM, 1001, reinterpret_cast<LPARAM>(&measureItem),
       1001, 0, 1001, 0},
      {"vkeytoitem decodes nothing", WM_VKEYTOITEM, MAKEWPARAM(VK_DOWN, 3), kHandle, 0, 0, 0, 0},
      {"chartoitem carries the list box", WM_CHARTOITEM, MAKEWPARAM('a', 0), kHandle, 0, 0, 0,
       kHandle},
      {"hscroll from the window's scroll bar", WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0, 0,
       SB_LINEDOWN, SB_LINEDOWN << 16, 0},
      {"vscroll thumb track", WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 77), 0, 0, SB_THUMBTRACK,
       SB_THUMBTRACK << 16, 0},
      {"contextmenu without a window", WM_CONTEXTMENU, 0, MAKELPARAM(10, 20), 0, 0, 0, 0},
      {"ctlcolormsgbox", WM_CTLCOLORMSGBOX, kWide, kHandle, 0, CTLCOLOR_MSGBOX, 0, kHandle},
      {"ctlcoloredit", WM_CTLCOLOREDIT, kWide, kHandle, 0, CTLCOLOR_EDIT, 1 << 16, kHandle},
      {"ctlcolorbtn", WM_CTLCOLORBTN, kWide, kHandle, 0, 3, 3 << 16, kHandle},
      {"ctlcolorstatic", WM_CTLCOLORSTATIC, kWide, kHandle, 0, CTLCOLOR_STATIC, 6 << 16, kHandle},
      {"setfocus", WM_SETFOCUS, kWide, 0, 0, 0, 0, kWide},
      {"killfocus", WM_KILLFOCUS, kWide, 0, 0, 0, 0, kWide},
      {"setfont", WM_SETFONT, kWide, TRUE, 0, 0, 0, kWide},
      {"initdialog", WM_INITDIALOG, kWide, kHandle, 0, 0, 0, kWide},
      {"initmenu", WM_INITMENU, kWide, 0, 0, 0, 0, kWide},
      {"initmenupopup", WM_INITMENUPOPUP, kWide, MAKELPARAM(2, 0), 0, 0, 0, kWide},
      {"dropfiles", WM_DROPFILES, kWide, 0, 0, 0, 0, kWide},
      {"enteridle", WM_ENTERIDLE, MSGF_DIALOGBOX, kWide, 0, 0, 0, kWide},
      {"unlisted message", WM_PAINT, kWide, kWide, 0, 0, 0, 0},
      {"unlisted user message", WM_USER + 5, MAKEWPARAM(1, 1), kHandle, 0, 0, 0, 0},
  };
}

TEST(WindowMessageTest, DecodesByMessageNumber) {
  for (const DecodeCase& c : DecodeCases()) {
    SCOPED_TRACE(c.name);
    const WindowMessage message(nullptr, c.message, c.wParam, c.lParam);
    EXPECT_EQ(message.ControlId(), c.controlId);
    EXPECT_EQ(message.NotifyCode(), c.notifyCode);
    EXPECT_EQ(message.CommandWord(), c.commandWord);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(message.HandleParam()), c.handle);
  }
}

TEST(WindowMessageTest, CommandWordOneOnlyForOkWithCodeZero) {
  // The base dialog ends on CommandWord() 1 and 2: a notification code other
  // than 0 must never pack to those values.
  for (WORD code : {0, 1, 2, 0x8000, 0xFFFF}) {
    SCOPED_TRACE(code);
    const WindowMessage ok(nullptr, WM_COMMAND, MAKEWPARAM(IDOK, code), 0);
    const WindowMessage cancel(nullptr, WM_COMMAND, MAKEWPARAM(IDCANCEL, code), 0);
    EXPECT_EQ(ok.ControlId(), IDOK);
    EXPECT_EQ(cancel.ControlId(), IDCANCEL);
    EXPECT_EQ(ok.CommandWord() == 1, code == 0);
    EXPECT_EQ(cancel.CommandWord() == 2, code == 0);
  }
}

TEST(WindowMessageTest, KeepsTheFourFieldsAsReceived) {
  const WindowMessage message(reinterpret_cast<HWND>(kWide), WM_COMMAND,
                              static_cast<WPARAM>(0xFFFFFFFF00010001ULL), -kWide);
  EXPECT_EQ(message.window, reinterpret_cast<HWND>(kWide));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(0xFFFFFFFF00010001ULL));
  EXPECT_EQ(message.lParam, -kWide);
}

}  // namespace
