// Control wrappers, the standard factories and the process-wide registry.
#include "control_wrapper.h"

#include <commctrl.h>

#include <new>

namespace dlg {

// ---- ControlWrapper ----

ControlWrapper::ControlWrapper(int id) : ref(nullptr, id) {}

int ControlWrapper::OnAttach() { return 1; }

int ControlWrapper::OnDetach() { return 1; }

ControlWrapper* ControlWrapper::LinkAfterLast(ControlWrapper* wrapper) {
  ControlWrapper* last = this;
  while (last->next_) last = last->next_;
  last->next_ = wrapper;
  wrapper->prev_ = last;
  return wrapper;
}

void ControlWrapper::Unlink() {
  if (prev_) prev_->next_ = next_;
  if (next_) next_->prev_ = prev_;
}

// ---- ListBoxControl ----

LRESULT ListBoxControl::AddString(const char* text) {
  return ref.Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT ListBoxControl::DeleteString(int index) {
  return ref.Send(LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

LRESULT ListBoxControl::ResetContent() { return ref.Send(LB_RESETCONTENT, 0, 0); }

LRESULT ListBoxControl::GetCurSel() { return ref.Send(LB_GETCURSEL, 0, 0); }

LRESULT ListBoxControl::GetItemText(int index, char* buffer) {
  return ref.Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
}

LRESULT ListBoxControl::GetItemTextLength(int index) {
  return ref.Send(LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
}

LRESULT ListBoxControl::GetItemData(int index) {
  return ref.Send(LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

LRESULT ListBoxControl::SetItemData(int index, LPARAM data) {
  return ref.Send(LB_SETITEMDATA, static_cast<WPARAM>(index), data);
}

LRESULT ListBoxControl::FindStringExact(int start, const char* text) {
  return ref.Send(LB_FINDSTRINGEXACT, static_cast<WPARAM>(start),
                  reinterpret_cast<LPARAM>(text));
}

std::unique_ptr<char[]> ListBoxControl::SelectedItemText() {
  const LRESULT index = GetCurSel();
  if (index == LB_ERR) return nullptr;
  const LRESULT length = GetItemTextLength(static_cast<int>(index));
  if (length <= 0) return nullptr;
  std::unique_ptr<char[]> block(new (std::nothrow) char[length + 1]);
  if (!block) return nullptr;
  GetItemText(static_cast<int>(index), block.get());
  return block;
}

// ---- ComboBoxControl ----

LRESULT ComboBoxControl::AddString(const char* text) {
  return ref.Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT ComboBoxControl::GetCurSel() { return ref.Send(CB_GETCURSEL, 0, 0); }

LRESULT ComboBoxControl::SetCurSel(int index) {
  return ref.Send(CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

LRESULT ComboBoxControl::GetItemData(int index) {
  return ref.Send(CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

LRESULT ComboBoxControl::SetItemData(int index, LPARAM data) {
  return ref.Send(CB_SETITEMDATA, static_cast<WPARAM>(index), data);
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
      MakeIfClass<ListBoxControl, kEdit>,    MakeIfClass<StaticControl, kStatic>,
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
