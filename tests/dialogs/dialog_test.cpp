// The control list of a dialog, and modal runs of real dialogs: ending, the
// control list over a run, and help requests climbing a chain of owner
// dialogs.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/dialog.h"
#include "scripted_dialog.h"
#include "test_dialog_ids.h"

namespace {

using dlg::ControlWrapper;
using dlgtest::kLeftRunning;
using dlgtest::ScriptedDialog;
using Calls = std::vector<std::string>;

// Sends a WM_COMMAND to the dialog as its control would.
void Command(ScriptedDialog& d, int id, int code) {
  SendMessageA(d.Hwnd(), WM_COMMAND, MAKEWPARAM(id, code),
               reinterpret_cast<LPARAM>(GetDlgItem(d.Hwnd(), id)));
}

TEST(DialogTest, CommandsEndTheBaseDialog) {
  struct Case {
    const char* name;
    std::function<void(ScriptedDialog&)> script;
    INT_PTR result;
  };
  const Case cases[] = {
      {"OK clicked", [](ScriptedDialog& d) { Command(d, IDOK, BN_CLICKED); }, 1},
      {"OK pressed on its button",
       [](ScriptedDialog& d) { SendMessageA(GetDlgItem(d.Hwnd(), IDOK), BM_CLICK, 0, 0); }, 1},
      {"Cancel clicked", [](ScriptedDialog& d) { Command(d, IDCANCEL, BN_CLICKED); }, 0},
      {"ID 1 with notification code 1", [](ScriptedDialog& d) { Command(d, IDOK, 1); }, kLeftRunning},
      {"ID 2 with notification code 1", [](ScriptedDialog& d) { Command(d, IDCANCEL, 1); }, kLeftRunning},
      {"another control", [](ScriptedDialog& d) { Command(d, IDC_EDIT, EN_CHANGE); }, kLeftRunning},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDialog dialog(IDD_BASE, nullptr, c.script);
    EXPECT_EQ(dialog.ShowModal(), c.result);
    EXPECT_EQ(dialog.calls, (Calls{"WM_INITDIALOG", "WM_DESTROY"}));
  }
}

TEST(DialogTest, EndOnlyEndsARunningDialog) {
  int first = -1, second = -1;
  bool runningAfter = true;
  ScriptedDialog dialog(IDD_BASE, nullptr, [&](ScriptedDialog& d) {
    first = d.End(9);
    second = d.End(4);
    runningAfter = d.Running();
  });
  EXPECT_EQ(dialog.End(8), 0);  // before any run
  EXPECT_FALSE(dialog.Running());
  EXPECT_EQ(dialog.ShowModal(), 9);
  EXPECT_NE(first, 0);
  EXPECT_EQ(second, 0);
  EXPECT_FALSE(runningAfter);
  EXPECT_EQ(dialog.End(8), 0);  // after the run
}

TEST(DialogTest, ControlsAreBoundAtInitAndGoneAtDestroy) {
  struct Seen {
    ControlWrapper* edit = nullptr;
    HWND editWindow = nullptr;
    HWND controlWindow = nullptr;  // the edit control as the platform finds it
    HWND dialogWindow = nullptr;
  };
  class Probe : public ScriptedDialog {
   public:
    using ScriptedDialog::ScriptedDialog;
    Seen atInit;
    int OnMessage(dlg::WindowMessage* message) override {
      if (message->message == WM_INITDIALOG) {
        atInit.edit = FindControl(IDC_EDIT);
        atInit.editWindow = atInit.edit ? atInit.edit->ref.Resolve() : nullptr;
        atInit.dialogWindow = Window();
        atInit.controlWindow = GetDlgItem(Window(), IDC_EDIT);
      }
      return ScriptedDialog::OnMessage(message);
    }
  };
  Probe dialog(IDD_BASE, nullptr, [](ScriptedDialog& d) { d.End(1); });
  EXPECT_EQ(dialog.ShowModal(), 1);
  ASSERT_NE(dialog.atInit.edit, nullptr);
  ASSERT_NE(dialog.atInit.dialogWindow, nullptr);
  EXPECT_EQ(dialog.atInit.editWindow, dialog.atInit.controlWindow);
  EXPECT_NE(dialog.atInit.editWindow, nullptr);

  EXPECT_TRUE(dialog.destroySeen);
  EXPECT_EQ(dialog.controlsAtDestroy, 0u);
  EXPECT_EQ(dialog.editAtDestroy, nullptr);
  EXPECT_TRUE(dialog.Controls().empty());
  // The reference keeps the old handle, which names no window any more.
  EXPECT_EQ(dialog.Window(), dialog.atInit.dialogWindow);
  EXPECT_FALSE(IsWindow(dialog.Window()));
}

// The control list on its own: appended in order, searched from the front,
// bound and unbound as a whole, deleted from the back.
TEST(ControlListTest, OrderOfSearchBindingAndDeletion) {
  // A wrapper that logs its deletion under a name of its own.
  class Logged : public ControlWrapper {
   public:
    Logged(int id, std::string name, Calls* log) : ControlWrapper(id), name_(std::move(name)), log_(log) {}
    ~Logged() override { log_->push_back("delete " + name_); }

   private:
    std::string name_;
    Calls* log_;
  };

  Calls log;
  {
    dlgtest::ListedDialog dialog(IDD_BASE, nullptr);
    dialog.BindControls();  // nothing to bind
    dialog.AddControl(std::make_unique<Logged>(10, "a", &log));
    dialog.AddControl(std::make_unique<Logged>(20, "b", &log));
    dialog.AddControl(std::make_unique<Logged>(10, "c", &log));
    ASSERT_EQ(dialog.Controls().size(), 3u);
    EXPECT_EQ(dialog.FindControl(10), dialog.Controls()[0].get());  // the first of two
    EXPECT_EQ(dialog.FindControl(20), dialog.Controls()[1].get());
    EXPECT_EQ(dialog.FindControl(30), nullptr);

    const HWND fake = reinterpret_cast<HWND>(0x1234);
    for (const auto& wrapper : dialog.Controls()) wrapper->ref.SetHandle(fake);
    dialog.UnbindControls();
    for (const auto& wrapper : dialog.Controls()) EXPECT_EQ(wrapper->ref.Parent(), nullptr);
    dialog.DestroyControls();
    EXPECT_TRUE(dialog.Controls().empty());
    EXPECT_EQ(dialog.FindControl(10), nullptr);

    // Wrappers still listed go with the dialog.
    dialog.AddControl(std::make_unique<Logged>(40, "d", &log));
  }
  EXPECT_EQ(log, (Calls{"delete c", "delete b", "delete a", "delete d"}));
}

TEST(DialogTest, FindControlAfterInit) {
  struct Found {
    int id;
    std::string kind;  // "" for none
  };
  std::vector<Found> found;
  ScriptedDialog dialog(IDD_CONTROLS, nullptr, [&](ScriptedDialog& d) {
    for (int id : {IDC_BUTTON, IDC_EDIT2, IDC_TWIN, -1, 4242}) {
      ControlWrapper* wrapper = d.FindControl(id);
      std::string kind;
      if (dynamic_cast<dlg::ListBoxControl*>(wrapper)) kind = "listbox";
      else if (dynamic_cast<dlg::ComboBoxControl*>(wrapper)) kind = "combobox";
      else if (wrapper) kind = "other";
      // A found wrapper is bound: it reaches its control through the dialog.
      if (wrapper && wrapper->ref.Resolve() != GetDlgItem(d.Hwnd(), id)) kind += " unbound";
      found.push_back({id, kind});
    }
    d.End(1);
  });
  ASSERT_EQ(dialog.ShowModal(), 1);
  ASSERT_EQ(found.size(), 5u);
  const Found expected[] = {
      {IDC_BUTTON, "other"},
      {IDC_EDIT2, "other"},
      {IDC_TWIN, "other"},   // the twin enumerated first
      {-1, ""},              // labels get no wrapper
      {4242, ""},
  };
  for (size_t i = 0; i < found.size(); ++i) {
    SCOPED_TRACE(expected[i].id);
    EXPECT_EQ(found[i].id, expected[i].id);
    EXPECT_EQ(found[i].kind, expected[i].kind);
  }
}

TEST(DialogTest, SameObjectShownTwiceBuildsControlsAnew) {
  struct Run {
    HWND window = nullptr;
    size_t wrappers = 0;
    bool editReached = false;
  };
  std::vector<Run> runs;
  ScriptedDialog dialog(IDD_BASE, nullptr, [&](ScriptedDialog& d) {
    Run run;
    run.window = d.Hwnd();
    run.wrappers = d.Controls().size();
    ControlWrapper* edit = d.FindControl(IDC_EDIT);
    run.editReached = edit && edit->ref.Resolve() == GetDlgItem(d.Hwnd(), IDC_EDIT) &&
                      edit->ref.Resolve() != nullptr;
    runs.push_back(run);
    Command(d, IDCANCEL, BN_CLICKED);
  });
  EXPECT_EQ(dialog.ShowModal(), 0);
  EXPECT_TRUE(dialog.Controls().empty());
  EXPECT_EQ(dialog.ShowModal(), 0);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_NE(runs[0].window, runs[1].window);
  for (const Run& run : runs) {
    EXPECT_EQ(run.wrappers, 3u);  // edit, OK, Cancel
    EXPECT_TRUE(run.editReached);
  }
}

// The window keeps the whole address of its Dialog: an object placed above
// 4 GiB must still receive its messages.
TEST(DialogTest, ObjectAboveFourGigabytesIsFound) {
  void* memory = VirtualAlloc(nullptr, sizeof(ScriptedDialog), MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN,
                              PAGE_READWRITE);
  ASSERT_NE(memory, nullptr);
  ASSERT_GT(reinterpret_cast<ULONG_PTR>(memory), 0xFFFFFFFFull);
  auto* dialog = new (memory) ScriptedDialog(IDD_BASE, nullptr,
                                             [](ScriptedDialog& d) { Command(d, IDOK, BN_CLICKED); });
  EXPECT_EQ(dialog->ShowModal(), 1);
  EXPECT_EQ(dialog->calls, (Calls{"WM_INITDIALOG", "WM_DESTROY"}));
  dialog->~ScriptedDialog();
  VirtualFree(memory, 0, MEM_RELEASE);
}

TEST(DialogTest, ShowModalFailsWithoutTemplate) {
  ScriptedDialog dialog(999, nullptr);
  EXPECT_EQ(dialog.ShowModal(), -1);
  EXPECT_TRUE(dialog.calls.empty());
  EXPECT_FALSE(dialog.Running());
}

// Help requests. Outer owns Middle, which owns Inner; the innermost dialog
// receives WM_HELP for one of its controls.
class HelpChainTest : public testing::Test {
 protected:
  // Runs the chain and sends help to Inner with the given HELPINFO.
  void RunChain(HELPINFO sent) {
    info = sent;
    outer = std::make_unique<ScriptedDialog>(IDD_OUTER, nullptr, [&](ScriptedDialog& o) {
      middle = std::make_unique<ScriptedDialog>(IDD_MIDDLE, o.Hwnd(), [&](ScriptedDialog& m) {
        inner = std::make_unique<ScriptedDialog>(IDD_INNER, m.Hwnd(), [&](ScriptedDialog& i) {
          info.hItemHandle = GetDlgItem(i.Hwnd(), IDOK);
          SendMessageA(i.Hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
          i.End(1);
        });
        innerResult = inner->ShowModal();
        m.End(1);
      });
      middleResult = middle->ShowModal();
      o.End(1);
    });
    ASSERT_EQ(outer->ShowModal(), 1);
    ASSERT_EQ(middleResult, 1);
    ASSERT_EQ(innerResult, 1);
  }

  static HELPINFO WindowHelp(DWORD_PTR contextId) {
    HELPINFO h{};
    h.cbSize = sizeof h;
    h.iContextType = HELPINFO_WINDOW;
    h.iCtrlId = IDOK;
    h.dwContextId = contextId;
    h.MousePos = {3, 4};
    return h;
  }

  HELPINFO info{};
  INT_PTR middleResult = 0, innerResult = 0;
  std::unique_ptr<ScriptedDialog> outer, middle, inner;
};

TEST_F(HelpChainTest, InnermostStampsAndOwnersForwardUnchanged) {
  RunChain(WindowHelp(0));
  for (ScriptedDialog* d : {inner.get(), middle.get(), outer.get()}) {
    SCOPED_TRACE(d->TemplateId());
    ASSERT_EQ(d->helps.size(), 1u);
    EXPECT_EQ(d->helps[0].iContextType, 0);
    EXPECT_EQ(d->helps[0].dwContextId, static_cast<DWORD_PTR>(IDD_INNER));
    EXPECT_EQ(d->helps[0].iCtrlId, IDOK);
    EXPECT_EQ(d->helps[0].MousePos.x, 3);
  }
  // The same block went all the way: the sender sees the stamp.
  EXPECT_EQ(info.iContextType, 0);
  EXPECT_EQ(info.dwContextId, static_cast<DWORD_PTR>(IDD_INNER));
}

TEST_F(HelpChainTest, AlreadyStampedHelpIsLeftAlone) {
  HELPINFO stamped = WindowHelp(55);
  stamped.iContextType = 0;
  RunChain(stamped);
  for (ScriptedDialog* d : {inner.get(), middle.get(), outer.get()}) {
    SCOPED_TRACE(d->TemplateId());
    ASSERT_EQ(d->helps.size(), 1u);
    EXPECT_EQ(d->helps[0].dwContextId, 55u);
  }
}

TEST(DialogHelpTest, DialogWithoutOwnerStampsOnly) {
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_MENUITEM;
  info.dwContextId = 7;
  ScriptedDialog dialog(IDD_OUTER, nullptr, [&](ScriptedDialog& d) {
    SendMessageA(d.Hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    d.End(1);
  });
  EXPECT_EQ(dialog.ShowModal(), 1);
  ASSERT_EQ(dialog.helps.size(), 1u);
  EXPECT_EQ(info.iContextType, 0);
  EXPECT_EQ(info.dwContextId, static_cast<DWORD_PTR>(IDD_OUTER));
}

}  // namespace
