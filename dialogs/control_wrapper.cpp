// Control wrappers, the standard factories and the factory registry.
#include "control_wrapper.h"

#include <commctrl.h>

#include <new>

namespace dlg {

// ---- ControlWrapper ----

ControlWrapper::ControlWrapper(int id) : ref(nullptr, id) {}

ControlWrapper::ControlWrapper(const WindowRef& target) : ref(target) {}

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

// A new T, or nullptr when memory runs out: the registry then asks the
// following factories, so the generic one tries once more.
template <class T>
std::unique_ptr<ControlWrapper> MakeOrNull(int id) {
  return std::unique_ptr<ControlWrapper>(new (std::nothrow) T(id));
}

// A factory that makes a T for the class name Name (any case: the platform
// reports its own classes as "ListBox", "Edit" and so on).
template <class T, const char* Name>
std::unique_ptr<ControlWrapper> MakeIfClass(const char* className, HWND, int id, DWORD, DWORD) {
  if (lstrcmpiA(className, Name) != 0) return nullptr;
  return MakeOrNull<T>(id);
}

std::unique_ptr<ControlWrapper> MakeGeneric(const char*, HWND, int id, DWORD, DWORD) {
  return MakeOrNull<ControlWrapper>(id);
}

constexpr char kListBox[] = "listbox";
constexpr char kComboBox[] = "combobox";

}  // namespace

bool ControlFactoryRegistry::Register(ControlFactory factory) {
  try {
    factories_.push_back(factory);  // leaves the registry as it was if it throws
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool ControlFactoryRegistry::RegisterStandard() {
  const ControlFactory standard[] = {
      MakeIfClass<ListBoxControl, kListBox>,
      MakeIfClass<ComboBoxControl, kComboBox>,
      MakeGeneric,
  };
  for (ControlFactory factory : standard) {
    if (!Register(factory)) return false;
  }
  return true;
}

std::unique_ptr<ControlWrapper> ControlFactoryRegistry::Create(const char* className,
                                                               HWND window, int id,
                                                               DWORD style,
                                                               DWORD exStyle) const {
  for (ControlFactory factory : factories_) {
    if (std::unique_ptr<ControlWrapper> wrapper = factory(className, window, id, style, exStyle)) {
      return wrapper;
    }
  }
  return nullptr;
}

ControlFactoryRegistry& ControlFactories() {
  static ControlFactoryRegistry registry;
  return registry;
}

bool InitDialogFramework() {
  InitCommonControls();
  return ControlFactories().RegisterStandard();
}

}  // namespace dlg
