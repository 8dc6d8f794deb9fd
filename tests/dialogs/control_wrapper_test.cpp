// Wrapper kinds by class name, the factory registry, and the operations of
// the wrappers.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "dialogs/control_wrapper.h"
#include "dialogs/dialog.h"
#include "scripted_dialog.h"
#include "test_dialog_ids.h"

namespace {

using dlg::ComboBoxControl;
using dlg::ControlFactoryRegistry;
using dlg::ControlWrapper;
using dlg::ListBoxControl;
using dlgtest::ModelessWindow;
using dlgtest::ScriptedDialog;

std::string KindOf(const ControlWrapper* wrapper) {
  if (!wrapper) return "none";
  const std::type_info& type = typeid(*wrapper);
  if (type == typeid(ListBoxControl)) return "ListBoxControl";
  if (type == typeid(ComboBoxControl)) return "ComboBoxControl";
  if (type == typeid(ControlWrapper)) return "ControlWrapper";
  return "other";
}

// The process-wide registry as the program fills it at start-up.
TEST(ControlFactoryTest, KindByClassNameInAnyCase) {
  struct Case {
    const char* className;
    const char* kind;
  };
  const Case cases[] = {
      {"button", "ControlWrapper"},       {"Edit", "ControlWrapper"},
      {"Static", "ControlWrapper"},       {"listbox", "ListBoxControl"},
      {"ListBox", "ListBoxControl"},      {"LISTBOX", "ListBoxControl"},
      {"combobox", "ComboBoxControl"},
      {"ComboBox", "ComboBoxControl"},    {"COMBOBOX", "ComboBoxControl"},
      {"cOMBObOX", "ComboBoxControl"},    {"SysTreeView32", "ControlWrapper"},
      {"msctls_statusbar32", "ControlWrapper"}, {"ComboLBox", "ControlWrapper"},
      {"buttons", "ControlWrapper"},      {"edi", "ControlWrapper"},
      {"", "ControlWrapper"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className);
    const std::unique_ptr<ControlWrapper> wrapper =
        dlg::ControlFactories().Create(c.className, nullptr, 1234, 0, 0);
    EXPECT_EQ(KindOf(wrapper.get()), c.kind);
    if (wrapper) {
      EXPECT_EQ(wrapper->ref.Kind(), dlg::ByControlId);
      EXPECT_EQ(wrapper->ref.Id(), 1234);
      EXPECT_EQ(wrapper->ref.Resolve(), nullptr);  // unbound until a dialog binds it
    }
  }
}

// The kinds made for the controls of a real template, in the platform's
// enumeration order, with the class names the platform reports.
TEST(ControlFactoryTest, TemplateControlsGetTheirKindsInOrder) {
  ModelessWindow window(IDD_CONTROLS);
  ASSERT_NE(window.get(), nullptr);
  dlgtest::ListedDialog dialog(IDD_CONTROLS, nullptr);
  dialog.CreateControls(window.get());

  struct Expected {
    int id;
    const char* kind;
  };
  const Expected expected[] = {
      {IDC_BUTTON, "ControlWrapper"}, {IDC_LIST, "ListBoxControl"},  {IDC_EDIT, "ControlWrapper"},
      {IDC_TEXT, "ControlWrapper"},   {IDC_COMBO, "ComboBoxControl"}, {IDC_TREE, "ControlWrapper"},
      {IDC_STATUS, "ControlWrapper"}, {IDC_TWIN, "ControlWrapper"},   {IDC_TWIN, "ControlWrapper"},
      {IDC_EDIT2, "ControlWrapper"},
  };
  const dlg::Dialog::ControlList& controls = dialog.Controls();
  ASSERT_EQ(controls.size(), std::size(expected)) << "one wrapper per control with an ID";
  for (size_t i = 0; i < controls.size(); ++i) {
    const Expected& e = expected[i];
    char className[64] = "";
    GetClassNameA(GetDlgItem(window.get(), e.id), className, sizeof className);
    SCOPED_TRACE(std::to_string(e.id) + " " + className);
    EXPECT_EQ(controls[i]->ref.Id(), e.id);
    EXPECT_EQ(KindOf(controls[i].get()), e.kind);
  }
}

// Test factories: ones that record what they are asked and decline, told
// apart by their tag, and one that only counts.
struct FactoryCall {
  int tag;
  std::string className;
  HWND window;
  int id;
  DWORD style;
  DWORD exStyle;
};
std::vector<FactoryCall> recorded;
int lateCalls = 0;

template <int Tag>
std::unique_ptr<ControlWrapper> RecordingFactory(const char* className, HWND window, int id,
                                                 DWORD style, DWORD exStyle) {
  recorded.push_back({Tag, className, window, id, style, exStyle});
  return nullptr;
}

std::unique_ptr<ControlWrapper> LateFactory(const char*, HWND, int id, DWORD, DWORD) {
  ++lateCalls;
  return std::make_unique<ControlWrapper>(id);
}

// Tests that replace the process-wide registry; it is put back afterwards.
class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    saved = dlg::ControlFactories();
    recorded.clear();
    lateCalls = 0;
  }
  void TearDown() override { dlg::ControlFactories() = saved; }

  ControlFactoryRegistry saved;
};

TEST_F(RegistryTest, EmptyRegistryMakesNoWrappers) {
  dlg::ControlFactories() = ControlFactoryRegistry();
  EXPECT_EQ(dlg::ControlFactories().Create("Button", nullptr, 1, 0, 0), nullptr);

  bool listEmpty = false;
  ScriptedDialog dialog(IDD_BASE, nullptr, [&](ScriptedDialog& d) {
    listEmpty = d.Controls().empty() && d.FindControl(IDOK) == nullptr;
    d.End(5);
  });
  EXPECT_EQ(dialog.ShowModal(), 5);
  EXPECT_TRUE(listEmpty);
}

TEST_F(RegistryTest, FactoriesAreAskedInRegistrationOrder) {
  const HWND window = reinterpret_cast<HWND>(0x5678);
  ControlFactoryRegistry decliners;
  EXPECT_TRUE(decliners.Register(RecordingFactory<1>));
  EXPECT_TRUE(decliners.Register(RecordingFactory<2>));
  EXPECT_EQ(decliners.Create("Button", window, 7, WS_CHILD, WS_EX_CLIENTEDGE), nullptr);
  ASSERT_EQ(recorded.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(recorded[i].tag, i + 1);
    EXPECT_EQ(recorded[i].className, "Button");
    EXPECT_EQ(recorded[i].window, window);
    EXPECT_EQ(recorded[i].id, 7);
    EXPECT_EQ(recorded[i].style, static_cast<DWORD>(WS_CHILD));
    EXPECT_EQ(recorded[i].exStyle, static_cast<DWORD>(WS_EX_CLIENTEDGE));
  }

  // A recorder before the standard factories and a factory after them: the
  // recorder is asked first; the generic factory accepts every class, so the
  // late factory is never reached.
  recorded.clear();
  ControlFactoryRegistry registry;
  EXPECT_TRUE(registry.Register(RecordingFactory<1>));
  EXPECT_TRUE(registry.RegisterStandard());
  EXPECT_TRUE(registry.Register(LateFactory));
  struct Case {
    const char* className;
    const char* kind;
  };
  const Case cases[] = {{"SysTreeView32", "ControlWrapper"}, {"ListBox", "ListBoxControl"},
                        {"", "ControlWrapper"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className);
    EXPECT_EQ(KindOf(registry.Create(c.className, nullptr, 9, 0, 0).get()), c.kind);
  }
  ASSERT_EQ(recorded.size(), std::size(cases));
  for (size_t i = 0; i < recorded.size(); ++i) {
    EXPECT_EQ(recorded[i].tag, 1);
    EXPECT_EQ(recorded[i].className, cases[i].className);
  }
  EXPECT_EQ(lateCalls, 0);
}

TEST_F(RegistryTest, FactoriesReceiveEachChildWithItsStyles) {
  ControlFactoryRegistry registry;
  registry.Register(RecordingFactory<1>);
  registry.RegisterStandard();
  dlg::ControlFactories() = registry;
  ModelessWindow window(IDD_CONTROLS);
  ASSERT_NE(window.get(), nullptr);
  dlgtest::ListedDialog dialog(IDD_CONTROLS, nullptr);
  dialog.CreateControls(window.get());

  // Ten children with an ID; the two labels with ID -1 are never offered.
  ASSERT_EQ(recorded.size(), 10u);
  // The recorder declined every time, so the standard factories made the wrappers.
  ASSERT_EQ(dialog.Controls().size(), recorded.size());
  for (size_t i = 0; i < recorded.size(); ++i) {
    const FactoryCall& call = recorded[i];
    SCOPED_TRACE(call.className + " " + std::to_string(call.id));
    EXPECT_NE(call.id, -1);
    EXPECT_EQ(GetDlgCtrlID(call.window), call.id);
    EXPECT_EQ(GetParent(call.window), window.get());
    char className[64] = "";
    GetClassNameA(call.window, className, sizeof className);
    EXPECT_EQ(call.className, className);
    EXPECT_EQ(call.style, static_cast<DWORD>(GetWindowLongA(call.window, GWL_STYLE)));
    EXPECT_EQ(call.exStyle, static_cast<DWORD>(GetWindowLongA(call.window, GWL_EXSTYLE)));
    EXPECT_EQ(dialog.Controls()[i]->ref.Id(), call.id);
  }
}

class ListControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window.get(), nullptr);
    list.ref.SetHandle(window.get());
    combo.ref.SetHandle(window.get());
  }
  ModelessWindow window{IDD_CONTROLS};
  ListBoxControl list{IDC_LIST};
  ComboBoxControl combo{IDC_COMBO};
};

TEST_F(ListControlsTest, SelectedItemText) {
  EXPECT_EQ(list.SelectedItemText(), nullptr);  // empty list
  list.AddString("abc");
  list.AddString("");
  list.AddString("longer text");
  EXPECT_EQ(list.GetCurSel(), LB_ERR);
  EXPECT_EQ(list.SelectedItemText(), nullptr);  // nothing selected

  struct Case {
    int index;
    const char* text;  // nullptr: no copy
  };
  for (const Case& c : {Case{0, "abc"}, Case{1, nullptr}, Case{2, "longer text"}}) {
    SCOPED_TRACE(c.index);
    ASSERT_NE(list.ref.Send(LB_SETCURSEL, c.index, 0), LB_ERR);
    EXPECT_EQ(list.GetCurSel(), c.index);
    const std::unique_ptr<char[]> text = list.SelectedItemText();
    if (c.text) {
      ASSERT_NE(text, nullptr);
      EXPECT_STREQ(text.get(), c.text);
    } else {
      EXPECT_EQ(text, nullptr);
    }
  }
}

TEST_F(ListControlsTest, ListBoxOperations) {
  EXPECT_EQ(list.AddString("one"), 0);
  EXPECT_EQ(list.AddString("two"), 1);
  EXPECT_EQ(list.AddString("three"), 2);
  EXPECT_EQ(list.GetItemTextLength(2), 5);
  char buffer[16] = "";
  EXPECT_EQ(list.GetItemText(1, buffer), 3);
  EXPECT_STREQ(buffer, "two");

  EXPECT_TRUE(list.SetItemData(1, 0x1234));
  EXPECT_EQ(list.GetItemData(1), 0x1234);
  EXPECT_FALSE(list.SetItemData(3, 0x1234));  // no such item
  EXPECT_EQ(list.GetItemData(3), LB_ERR);

  EXPECT_EQ(list.FindStringExact(-1, "TWO"), 1);  // whole list, any case
  EXPECT_EQ(list.FindStringExact(-1, "tw"), LB_ERR);
  EXPECT_EQ(list.FindStringExact(-1, "zzz"), LB_ERR);

  EXPECT_EQ(list.DeleteString(0), 2);  // items left
  EXPECT_EQ(list.FindStringExact(-1, "two"), 0);
  list.ResetContent();
  EXPECT_EQ(list.ref.Send(LB_GETCOUNT, 0, 0), 0);
}

// A wrapper over a pinned reference works the same control, by its handle.
TEST_F(ListControlsTest, PinnedWrapperWorksTheSameList) {
  const ListBoxControl pinned(list.ref.Pinned());
  EXPECT_EQ(pinned.ref.Kind(), dlg::ByHandle);
  EXPECT_EQ(pinned.ref.Resolve(), window.Item(IDC_LIST));
  EXPECT_EQ(pinned.AddString("b"), 0);
  EXPECT_EQ(pinned.AddString("a"), 1);  // the template's list is not sorted
  EXPECT_TRUE(pinned.SetItemData(1, 0x42));
  EXPECT_EQ(list.GetItemData(1), 0x42);
  EXPECT_EQ(list.FindStringExact(-1, "a"), 1);
}

// A bulk fill: room reserved at once, then the lines go in as usual.
TEST_F(ListControlsTest, InitStorageReservesRoomForABulkFill) {
  constexpr int kLines = 500;
  constexpr size_t kBytesPerLine = 8;
  ASSERT_EQ(list.AddString("first"), 0);
  EXPECT_GE(list.InitStorage(kLines, kLines * kBytesPerLine), kLines);
  for (int i = 1; i <= kLines; ++i) ASSERT_EQ(list.AddString("line"), i);
  EXPECT_EQ(list.ref.Send(LB_GETCOUNT, 0, 0), kLines + 1);
  list.ref.SetHandle(nullptr);
  EXPECT_EQ(list.InitStorage(kLines, kLines * kBytesPerLine), 0);  // no window
}

// With redraw off an insertion leaves nothing to repaint; with it on again,
// insertions repaint as before.
TEST_F(ListControlsTest, SetRedrawStopsAndResumesRepainting) {
  const HWND box = window.Item(IDC_LIST);
  ShowWindow(window.get(), SW_SHOWNA);
  UpdateWindow(window.get());
  ASSERT_FALSE(GetUpdateRect(box, nullptr, FALSE));

  list.SetRedraw(false);
  EXPECT_EQ(list.AddString("while off"), 0);
  EXPECT_FALSE(GetUpdateRect(box, nullptr, FALSE));

  list.SetRedraw(true);
  UpdateWindow(box);
  EXPECT_EQ(list.AddString("while on"), 1);
  EXPECT_TRUE(GetUpdateRect(box, nullptr, FALSE));
}

TEST_F(ListControlsTest, ComboBoxOperations) {
  EXPECT_EQ(combo.GetCurSel(), CB_ERR);
  EXPECT_EQ(combo.AddString("Int"), 0);
  EXPECT_EQ(combo.AddString("String"), 1);
  EXPECT_TRUE(combo.SetItemData(1, 8));
  EXPECT_FALSE(combo.SetItemData(2, 8));  // no such item
  EXPECT_EQ(combo.SetCurSel(1), 1);
  EXPECT_EQ(combo.GetCurSel(), 1);
  EXPECT_EQ(combo.GetItemData(combo.GetCurSel()), 8);
  EXPECT_EQ(combo.SetCurSel(5), CB_ERR);
}

TEST_F(ListControlsTest, UnboundWrapperReachesNoControl) {
  list.AddString("abc");
  ASSERT_EQ(list.GetCurSel(), LB_ERR);
  list.ref.SetHandle(nullptr);
  EXPECT_EQ(list.GetCurSel(), 0);  // the platform's result for no window
  EXPECT_EQ(list.AddString("x"), 0);
  EXPECT_EQ(list.GetItemTextLength(0), 0);
  list.ref.SetHandle(window.get());
  EXPECT_EQ(list.ref.Send(LB_GETCOUNT, 0, 0), 1);
}

}  // namespace
