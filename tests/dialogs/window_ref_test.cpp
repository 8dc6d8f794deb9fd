// WindowRef against real windows: resolving, window longs, text.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "dialogs/window_ref.h"
#include "scripted_dialog.h"
#include "test_dialog_ids.h"

namespace {

using dlg::WindowMessage;
using dlg::WindowRef;
using dlgtest::ModelessWindow;

class WindowRefTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(window.get(), nullptr); }
  ModelessWindow window{IDD_CONTROLS};
};

TEST_F(WindowRefTest, ControlReferenceFollowsItsParent) {
  WindowRef edit(nullptr, IDC_EDIT);
  EXPECT_EQ(edit.Kind(), dlg::ByControlId);
  EXPECT_EQ(edit.Resolve(), nullptr);

  edit.SetHandle(window.get());
  EXPECT_EQ(edit.Resolve(), window.Item(IDC_EDIT));
  EXPECT_NE(edit.Resolve(), nullptr);

  edit.SetHandle(nullptr);
  EXPECT_EQ(edit.Resolve(), nullptr);
  EXPECT_EQ(edit.Kind(), dlg::ByControlId);
  EXPECT_EQ(edit.Id(), IDC_EDIT);
}

TEST_F(WindowRefTest, ControlReferenceIsNeverCached) {
  WindowRef edit(window.get(), IDC_EDIT2);
  const HWND first = edit.Resolve();
  ASSERT_NE(first, nullptr);
  DestroyWindow(first);
  EXPECT_EQ(edit.Resolve(), nullptr);
  EXPECT_EQ(edit.TextCopy(), nullptr);
}

// A pinned reference names the window the control reference resolved to
// when it was pinned, even once the parent holds another control of that ID.
TEST_F(WindowRefTest, PinnedReferenceKeepsTheWindowItResolved) {
  const WindowRef edit(window.get(), IDC_EDIT2);
  const HWND first = edit.Resolve();
  ASSERT_NE(first, nullptr);
  const WindowRef pinned = edit.Pinned();
  EXPECT_EQ(pinned.Kind(), dlg::ByHandle);
  EXPECT_EQ(pinned.Resolve(), first);
  EXPECT_EQ(pinned.Id(), IDC_EDIT2);

  SetWindowLongPtrA(first, GWLP_ID, 0);
  const HWND second = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 10, 10, window.get(),
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_EDIT2)),
                                      nullptr, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(edit.Resolve(), second);
  EXPECT_EQ(pinned.Resolve(), first);
  pinned.SetText("pinned");
  EXPECT_STREQ(pinned.TextCopy().get(), "pinned");
  EXPECT_EQ(edit.TextCopy(), nullptr);

  EXPECT_EQ(WindowRef(window.get(), 4242).Pinned().Resolve(), nullptr);
}

TEST_F(WindowRefTest, ControlIdIsStoredEvenWithoutSuchControl) {
  const WindowRef missing(window.get(), 4242);
  EXPECT_EQ(missing.Resolve(), nullptr);
  EXPECT_EQ(missing.Id(), 4242);
  EXPECT_EQ(WindowRef(nullptr, -1).Id(), -1);
}

TEST_F(WindowRefTest, HandleReferenceReadsWindowLongs) {
  WindowRef ref;
  EXPECT_EQ(ref.Kind(), dlg::ByHandle);
  EXPECT_EQ(ref.Resolve(), nullptr);
  EXPECT_EQ(ref.Id(), 0);
  EXPECT_EQ(ref.Instance(), nullptr);

  ref.SetHandle(window.Item(IDC_COMBO));
  EXPECT_EQ(ref.Resolve(), window.Item(IDC_COMBO));
  EXPECT_EQ(ref.Id(), IDC_COMBO);
  EXPECT_EQ(ref.Parent(), window.get());
  // The module is loaded above 4 GiB on x86-64: the whole handle must come back.
  EXPECT_EQ(ref.Instance(), dlgtest::Module());

  ref.SetHandle(window.get());
  EXPECT_EQ(ref.Instance(), dlgtest::Module());
  EXPECT_EQ(ref.Parent(), nullptr);
}

TEST_F(WindowRefTest, TextCopyOfEmptyAndFilledEdit) {
  const WindowRef edit(window.get(), IDC_EDIT);
  struct Case {
    const char* text;
    const char* expected;  // nullptr: no copy
  };
  for (const Case& c : {Case{"", nullptr}, Case{"abc", "abc"}, Case{"x", "x"}, Case{"", nullptr}}) {
    SCOPED_TRACE(c.text);
    edit.SetText(c.text);
    EXPECT_EQ(edit.TextLength(), static_cast<int>(std::strlen(c.text)));
    const std::unique_ptr<char[]> copy = edit.TextCopy();
    if (!c.expected) {
      EXPECT_EQ(copy, nullptr);
    } else {
      ASSERT_NE(copy, nullptr);
      EXPECT_STREQ(copy.get(), c.expected);
    }
  }
}

TEST_F(WindowRefTest, UnboundReferenceHasNoText) {
  WindowRef edit(window.get(), IDC_EDIT);
  edit.SetText("abc");
  edit.SetHandle(nullptr);
  EXPECT_EQ(edit.TextLength(), 0);
  EXPECT_EQ(edit.TextCopy(), nullptr);
  edit.SetText("ignored");  // reaches no window
  edit.SetHandle(window.get());
  EXPECT_STREQ(edit.TextCopy().get(), "abc");
}

TEST_F(WindowRefTest, GetTextFillsTheCallersBuffer) {
  const WindowRef edit(window.get(), IDC_EDIT);
  edit.SetText("hello");
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  edit.GetText(buffer);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(buffer[6], '#');  // nothing written past the NUL
}

TEST_F(WindowRefTest, SetIntWritesPlainDecimal) {
  const WindowRef edit(window.get(), IDC_EDIT);
  struct Case {
    int value;
    const char* text;
  };
  for (const Case& c : {Case{-5, "-5"}, Case{0, "0"}, Case{7, "7"}, Case{1000, "1000"},
                        Case{INT_MAX, "2147483647"}, Case{INT_MIN, "-2147483648"}}) {
    SCOPED_TRACE(c.text);
    edit.SetInt(c.value);
    EXPECT_STREQ(edit.TextCopy().get(), c.text);
  }
}

TEST_F(WindowRefTest, SendGoesToTheResolvedWindow) {
  const WindowRef list(window.get(), IDC_LIST);
  EXPECT_EQ(list.Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one")), 0);
  EXPECT_EQ(list.Send(LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(WindowRef(nullptr, IDC_LIST).Send(LB_GETCOUNT, 0, 0), 0);
  EXPECT_TRUE(list.Invalidate(nullptr));
}

// Messages that name their control by handle: the ID is read from the window.
TEST_F(WindowRefTest, MessagesDecodeTheIdOfTheWindowTheyCarry) {
  const HWND edit = window.Item(IDC_EDIT);
  const HWND list = window.Item(IDC_LIST);
  const WindowMessage menu(window.get(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit),
                           MAKELPARAM(5, 5));
  EXPECT_EQ(menu.ControlId(), IDC_EDIT);
  EXPECT_EQ(menu.HandleParam(), edit);

  const WindowMessage scroll(window.get(), WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0),
                             reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(scroll.ControlId(), IDC_LIST);
  EXPECT_EQ(scroll.NotifyCode(), SB_PAGEDOWN);
  EXPECT_EQ(scroll.HandleParam(), list);
}

}  // namespace
