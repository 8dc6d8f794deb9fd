// Control wrappers, the standard factories and the process-wide registry.
#include "control_wrapper.h"

#include <commctrl.h>

#include <new>

namespace dlg {

// ---- ControlWrapper ----

ControlWrapper::ControlWrapper(int id) : ref(nullptr, id) {}

bool ControlWrapper::OnAttach() { return true; }

bool ControlWrapper::OnDetach() { return true; }

void ControlWrapper::SetRedraw(bool on) const { ref.Send(WM_SETREDRAW, on ? TRUE : FALSE, 0); }

// ---- ListBoxControl ----

namespace {

LPARAM TextParam(const char* text) { return reinterpret_cast<LPARAM>(text); }

WPARAM IndexParam(int index) { return static_cast<WPARAM>(index); }

}  // namespace

int ListBoxControl::AddString(const char* text) const {
  return static_cast<int>(ref.Send(LB_ADDSTRING, 0, TextParam(text)));
}

int ListBoxControl::DeleteString(int index) const {
  return static_cast<int>(ref.Send(LB_DELETESTRING, IndexParam(index), 0));
}

void ListBoxControl::ResetContent() const { ref.Send(LB_RESETCONTENT, 0, 0); }

int ListBoxControl::GetCurSel() const { return static_cast<int>(ref.Send(LB_GETCURSEL, 0, 0)); }

int ListBoxControl::GetItemText(int index, char* buffer) const {
  return static_cast<int>(
      ref.Send(LB_GETTEXT, IndexParam(index), reinterpret_cast<LPARAM>(buffer)));
}

int ListBoxControl::GetItemTextLength(int index) const {
  return static_cast<int>(ref.Send(LB_GETTEXTLEN, IndexParam(index), 0));
}

LPARAM ListBoxControl::GetItemData(int index) const {
  return ref.Send(LB_GETITEMDATA, IndexParam(index), 0);
}

bool ListBoxControl::SetItemData(int index, LPARAM data) const {
  return ref.Send(LB_SETITEMDATA, IndexParam(index), data) != LB_ERR;
}

int ListBoxControl::FindStringExact(int start, const char* text) const {
  return static_cast<int>(ref.Send(LB_FINDSTRINGEXACT, IndexParam(start), TextParam(text)));
}

int ListBoxControl::InitStorage(int items, size_t bytes) const {
  return static_cast<int>(
      ref.Send(LB_INITSTORAGE, IndexParam(items), static_cast<LPARAM>(bytes)));
}

std::unique_ptr<char[]> ListBoxControl::SelectedItemText() const {
  const int index = GetCurSel();
  if (index == LB_ERR) return nullptr;
  const int length = GetItemTextLength(index);
  if (length <= 0) return nullptr;
  std::unique_ptr<char[]> block(new (std::nothrow) char[length + 1]);
  if (!block) return nullptr;
  GetItemText(index, block.get());
  return block;
}

// ---- ComboBoxControl ----

int ComboBoxControl::AddString(const char* text) const {
  return static_cast<int>(ref.Send(CB_ADDSTRING, 0, TextParam(text)));
}

int ComboBoxControl::GetCurSel() const { return static_cast<int>(ref.Send(CB_GETCURSEL, 0, 0)); }

int ComboBoxControl::SetCurSel(int index) const {
  return static_cast<int>(ref.Send(CB_SETCURSEL, IndexParam(index), 0));
}

LPARAM ComboBoxControl::GetItemData(int index) const {
  return ref.Send(CB_GETITEMDATA, IndexParam(index), 0);
}

bool ComboBoxControl::SetItemData(int index, LPARAM data) const {
  return ref.Send(CB_SETITEMDATA, IndexParam(index), data) != CB_ERR;
}

// ---- Factories and registry ----

namespace {

// The registry: grows by one slot per registration, never shrinks.
ControlFactory* factories = nullptr;
unsigned factoryCount = 0;

// A factory that makes a T for the class name Name (any case).
template <class T, const char* Name>
ControlWrapper* MakeIfClass(const char* className, HWND, int id, DWORD, DWORD) {
  if (lstrcmpiA(className, Name) != 0) return nullptr;
  return new (std::nothrow) T(id);
}

ControlWrapper* MakeGeneric(const char*, HWND, int id, DWORD, DWORD) {
  return new (std::nothrow) ControlWrapper(id);
}

constexpr char kButton[] = "button";
constexpr char kListBox[] = "listbox";
constexpr char kEdit[] = "edit";
constexpr char kStatic[] = "static";
constexpr char kComboBox[] = "combobox";

}  // namespace

int InitDialogFramework() {
  InitCommonControls();
  return RegisterStandardFactories() ? 1 : 0;
}

int RegisterControlFactory(ControlFactory factory) {
  ControlFactory* grown = new (std::nothrow) ControlFactory[factoryCount + 1];
  if (!grown) return 0;
  for (unsigned i = 0; i < factoryCount; ++i) grown[i] = factories[i];
  delete[] factories;
  factories = grown;
  factories[factoryCount++] = factory;
  return 1;
}

int RegisterStandardFactories() {
  const ControlFactory standard[] = {
      MakeIfClass<ButtonControl, kButton>,   MakeIfClass<ListBoxControl, kListBox>,
      MakeIfClass<EditControl, kEdit>,       MakeIfClass<StaticControl, kStatic>,
      MakeIfClass<ComboBoxControl, kComboBox>, MakeGeneric,
  };
  for (ControlFactory factory : standard) {
    if (!RegisterControlFactory(factory)) return 0;
  }
  return 1;
}

ControlWrapper* CreateControlWrapper(const char* className, HWND window, int id, DWORD style,
                                     DWORD exStyle) {
  for (unsigned i = 0; i < factoryCount; ++i) {
    if (ControlWrapper* wrapper = factories[i](className, window, id, style, exStyle)) {
      return wrapper;
    }
  }
  return nullptr;
}

unsigned RegisteredFactoryCount() { return factoryCount; }

void ClearControlFactories() {
  delete[] factories;
  factories = nullptr;
  factoryCount = 0;
}

}  // namespace dlg
