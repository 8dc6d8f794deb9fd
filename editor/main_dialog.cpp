#include "editor/main_dialog.h"

#include <commdlg.h>
#include <mbstring.h>
#include <shellapi.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "config/name_rules.h"
#include "config/number_text.h"
#include "editor/about_dialog.h"
#include "editor/compare_list.h"
#include "editor/editor_state.h"
#include "editor/view_fill.h"
#include "resources/resource.h"

namespace {

// One entry of the type combo box: the name shown and the value type it stands for.
struct TypeChoice {
  char name[16];
  int32_t code;
};

// The types the values list shows and the value commands create, in combo order.
const TypeChoice kTypeTable[] = {
    {"int", static_cast<int32_t>(cfg::ValueType::Int)},
    {"string", static_cast<int32_t>(cfg::ValueType::String)},
};

constexpr int kPathSize = 260;
constexpr char kFileFilter[] = "Configuration files\0*.cfg\0All files\0*.*\0";
constexpr char kTokenSeparators[] = "\";'";
// The bits of a tree view notification's action that tell expanding from collapsing.
constexpr UINT kExpandActionBits = TVE_COLLAPSE | TVE_EXPAND;

// The 4.00 form of OPENFILENAMEA (without the fields added after Windows NT 4),
// with the fields the two file dialogs share.
OPENFILENAMEA FileDialogParams(HWND owner, char* path) {
  OPENFILENAMEA params{};
  params.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  params.hwndOwner = owner;
  params.lpstrFilter = kFileFilter;  // the literal's own NUL closes the list
  params.lpstrFile = path;
  params.nMaxFile = kPathSize;
  params.lpstrDefExt = "cfg";
  return params;
}

// The full path of the file that path names, resolved against the working
// folder of this moment, so that a save writes where the file was read
// whatever a file dialog does to the working folder later; path itself when
// it cannot be resolved.
std::string FullPath(const char* path) {
  DWORD size = GetFullPathNameA(path, 0, nullptr, nullptr);
  if (size == 0) return path;
  std::string full(size, '\0');
  DWORD length = GetFullPathNameA(path, size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

}  // namespace

MainDialog::MainDialog(HINSTANCE instance, char* commandLine)
    : Dialog(instance, IDD_MAIN, nullptr),
      currentSection(CurrentDocument),
      trackSelection(0),
      commandLine(commandLine) {}

int MainDialog::OnMessage(dlg::WindowMessage* message) {
  switch (message->message) {
    case WM_INITDIALOG:
      OnInitDialog();
      break;
    case WM_DROPFILES:
      OnDropFiles(static_cast<HDROP>(message->HandleParam()));
      break;
    case WM_COMMAND:
      OnCommand(message->ControlId(), message->NotifyCode());
      break;
    case WM_NOTIFY:
      if (message->ControlId() == IDC_TREE)
        OnNotify(reinterpret_cast<const NMHDR*>(message->lParam));
      break;
    case WM_DESTROY:
      EmptyTreeAtEnd(message->window);
      break;
    default:
      break;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Start-up, documents and files

void MainDialog::OnInitDialog() {
  SendTree(TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
  // The first control with a tab stop is the tree, and a tree view that gets
  // the focus with no item selected selects its first item. The focus starts
  // in the section name field instead, so the tree starts as it was filled.
  if (dlg::ControlWrapper* field = FindControl(IDC_SECTION_NAME)) SetFocus(field->ref.Resolve());
  FillTypeCombo();
  cfg::DocumentDeleter()(CurrentDocument);
  CurrentDocument = nullptr;
  currentSection = nullptr;
  if (commandLine != nullptr && lstrlenA(commandLine) > 0) {
    unsigned char* token = _mbstok(reinterpret_cast<unsigned char*>(commandLine),
                                   reinterpret_cast<const unsigned char*>(kTokenSeparators));
    if (token != nullptr) {
      OpenPath(reinterpret_cast<const char*>(token));
      return;
    }
  }
  NewDocument();
}

void MainDialog::OpenPath(const char* path) {
  CurrentDocument = new cfg::Section(cfg::kFileSection, FullPath(path).c_str());
  currentSection = nullptr;
  int loaded = CurrentDocument->Load();
  if (loaded == 0) {
    dlg::ShowMessage(Window(), "Error", MB_ICONHAND, "Can not open file: %s", path);
    currentSection = CurrentDocument->FindOrCreateSection("MAIN");
  }
  RefillTree();
  ClearLists();
  if (loaded == 0) SelectSectionItem(currentSection);
}

void MainDialog::NewDocument() {
  cfg::DocumentDeleter()(CurrentDocument);
  CurrentDocument = new cfg::Section(cfg::kFileSection, "");
  currentSection = CurrentDocument->FindOrCreateSection("MAIN");
  RefillTree();
  ClearLists();
  SelectSectionItem(currentSection);
}

void MainDialog::SelectSectionItem(cfg::Section* section) {
  if (section == nullptr) return;
  HTREEITEM item = sectionTree.ItemOf(section, TVI_ROOT);
  if (item != nullptr) SendTree(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void MainDialog::OnDropFiles(HDROP drop) {
  // The length first (without its NUL), so that a long path is read whole.
  UINT length = DragQueryFileA(drop, 0, nullptr, 0);
  if (length != 0) {
    std::vector<char> path(length + 1, '\0');
    if (DragQueryFileA(drop, 0, path.data(), length + 1) != 0) {
      cfg::DocumentDeleter()(CurrentDocument);
      CurrentDocument = nullptr;
      OpenPath(path.data());
    }
  }
  DragFinish(drop);
}

void MainDialog::OpenFile() {
  std::vector<char> path(kPathSize, '\0');
  OPENFILENAMEA params = FileDialogParams(Window(), path.data());
  params.nFilterIndex = 1;
  params.lpstrTitle = "Open";
  params.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&params) != 0) {
    cfg::DocumentDeleter()(CurrentDocument);
    CurrentDocument = new cfg::Section(cfg::kFileSection, FullPath(path.data()).c_str());
    if (CurrentDocument->Load() == 0) {
      dlg::ShowMessage(Window(), "Error", MB_ICONHAND, "Can not open file: %s", path.data());
      cfg::DocumentDeleter()(CurrentDocument);
      CurrentDocument = new cfg::Section();
    }
  }
  currentSection = nullptr;
  RefillTree();
  ClearLists();
}

void MainDialog::Save() {
  const char* name = CurrentDocument->GetName();
  if (name == nullptr || lstrlenA(name) == 0) {
    SaveAs();
    return;
  }
  if (CurrentDocument->Save() != 0)
    dlg::ShowMessage(Window(), "Success", MB_OK, "File (%s) saved.", name);
  else
    dlg::ShowMessage(Window(), "Error", MB_OK, "File (%s) not saved.", name);
}

void MainDialog::SaveAs() {
  std::vector<char> path(kPathSize, '\0');
  OPENFILENAMEA params = FileDialogParams(Window(), path.data());
  params.nFilterIndex = 2;
  params.lpstrTitle = "Save as";
  params.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (GetSaveFileNameA(&params) == 0) return;
  CurrentDocument->SetName(path.data());
  if (CurrentDocument->Save() == 0)
    dlg::ShowMessage(Window(), "Error", MB_OK, "File (%s) not saved.", path.data());
}

// ---------------------------------------------------------------------------
// Dispatch

void MainDialog::OnCommand(int id, int code) {
  bool current = currentSection != nullptr;
  switch (id) {
    case IDM_EXIT: End(0); break;
    case IDC_RECORDS: if (code == LBN_SELCHANGE) ShowValues(); break;
    case IDC_VALUES: if (code == LBN_SELCHANGE) ShowValue(); break;
    case IDM_OPEN: OpenFile(); break;
    case IDM_SAVE_AS: SaveAs(); break;
    case IDM_NEW: NewDocument(); break;
    case IDM_SAVE: Save(); break;
    case IDM_ABOUT: About(); break;
    case IDM_FIND: Find(); break;
    case IDM_COMPARE: CompareWith(); break;
    case IDM_GO_TO_ROOT: GoToRoot(); break;
    case IDM_RECORD_UPDATE: if (current) RecordUpdate(); break;
    case IDM_RECORD_ADD: if (current) RecordAdd(); break;
    case IDM_RECORD_DELETE: if (current) RecordDelete(); break;
    case IDM_VALUE_UPDATE: if (current) ValueUpdate(); break;
    case IDM_VALUE_ADD: if (current) AddValue(); break;
    case IDM_VALUE_DELETE: if (current) DeleteValue(); break;
    case IDM_SECTION_ADD: if (current) SectionAdd(); break;
    case IDM_SECTION_DELETE: if (current) SectionDelete(); break;
    case IDM_SECTION_UPDATE: if (current) SectionUpdate(); break;
    case IDM_SECTION_COPY: if (current) Copy(); break;
    case IDM_SECTION_PASTE: if (current) Paste(); break;
    default: break;  // IDOK (Enter), Cut, the buffer item, edit and combo notifications
  }
}

void MainDialog::OnNotify(const NMHDR* header) {
  // The A and W forms of NMTREEVIEW keep the action and the handles and
  // lParams of itemOld and itemNew at the same places.
  auto* change = reinterpret_cast<const NMTREEVIEWA*>(header);
  switch (header->code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
      auto* section = reinterpret_cast<cfg::Section*>(change->itemNew.lParam);
      if (trackSelection == 1 && section != nullptr) ShowRecords(section);
      break;
    }
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW:
      OnExpanding(*change);
      break;
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
      sectionTree.Forget(change->itemOld.hItem, change->itemOld.lParam);
      break;
    default:
      break;
  }
}

void MainDialog::OnExpanding(const NMTREEVIEWA& change) {
  if ((change.action & kExpandActionBits) != TVE_EXPAND) return;
  HTREEITEM item = change.itemNew.hItem;
  auto* section = reinterpret_cast<const cfg::Section*>(change.itemNew.lParam);
  if (item == nullptr || section == nullptr || sectionTree.HoldsChildren(item)) return;
  dlg::ControlWrapper* tree = FindControl(IDC_TREE);
  if (tree == nullptr) return;
  tree->SetRedraw(false);
  InsertSectionItems(section, item);
  tree->SetRedraw(true);
  tree->ref.Invalidate(nullptr);
}

// ---------------------------------------------------------------------------
// Controls

LRESULT MainDialog::SendTree(UINT msg, WPARAM wParam, LPARAM lParam) const {
  dlg::ControlWrapper* tree = FindControl(IDC_TREE);
  return tree != nullptr ? tree->ref.Send(msg, wParam, lParam) : 0;
}

HTREEITEM MainDialog::SelectedItem() const {
  return reinterpret_cast<HTREEITEM>(SendTree(TVM_GETNEXTITEM, TVGN_CARET, 0));
}

cfg::Section* MainDialog::ItemSection(HTREEITEM item) const {
  TVITEMA data{};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  if (SendTree(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data)) == 0) return nullptr;
  return reinterpret_cast<cfg::Section*>(data.lParam);
}

dlg::ListBoxControl* MainDialog::RecordsList() const {
  return FindControlAs<dlg::ListBoxControl>(IDC_RECORDS);
}

dlg::ListBoxControl* MainDialog::ValuesList() const {
  return FindControlAs<dlg::ListBoxControl>(IDC_VALUES);
}

dlg::ComboBoxControl* MainDialog::TypeCombo() const {
  return FindControlAs<dlg::ComboBoxControl>(IDC_TYPE);
}

std::unique_ptr<char[]> MainDialog::FieldText(int id) const {
  dlg::ControlWrapper* field = FindControl(id);
  return field != nullptr ? field->ref.TextCopy() : nullptr;
}

// ---------------------------------------------------------------------------
// Views

void MainDialog::FillTypeCombo() {
  dlg::ComboBoxControl* combo = TypeCombo();
  if (combo == nullptr) return;
  int position = 0;
  for (const TypeChoice& choice : kTypeTable) {
    if (combo->AddString(choice.name) != CB_ERR) combo->SetItemData(position, choice.code);
    ++position;
  }
}

int MainDialog::SelectedType() {
  dlg::ComboBoxControl* combo = TypeCombo();
  if (combo == nullptr) return 0;
  LRESULT index = combo->GetCurSel();
  if (index == CB_ERR) return 0;
  return static_cast<int>(combo->GetItemData(static_cast<int>(index)));
}

void MainDialog::SelectType(int code) {
  dlg::ComboBoxControl* combo = TypeCombo();
  if (combo == nullptr) return;
  int position = 0;
  for (const TypeChoice& choice : kTypeTable) {
    if (choice.code == code) combo->SetCurSel(position);
    ++position;
  }
}

void MainDialog::ClearLists() {
  if (dlg::ListBoxControl* records = RecordsList()) records->ResetContent();
  if (dlg::ListBoxControl* values = ValuesList()) values->ResetContent();
}

void MainDialog::RefillTree() {
  editor::WaitCursor wait;
  trackSelection = 0;
  if (dlg::ControlWrapper* tree = FindControl(IDC_TREE)) {
    tree->SetRedraw(false);
    sectionTree.DeleteAll(tree->ref.Resolve());
    if (CurrentDocument != nullptr) InsertSectionItems(CurrentDocument, TVI_ROOT);
    tree->SetRedraw(true);
    tree->ref.Invalidate(nullptr);
  }
  trackSelection = 1;
}

void MainDialog::EmptyTreeAtEnd(HWND dialog) {
  // The wrappers are gone by now; the tree view is not yet. Destroying it
  // would delete its items recursively.
  trackSelection = 0;
  HWND tree = GetDlgItem(dialog, IDC_TREE);
  if (tree == nullptr) return;
  editor::WaitCursor wait;
  SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
  sectionTree.DeleteAll(tree);
}

void MainDialog::InsertSectionItems(const cfg::Section* section, HTREEITEM parent) {
  if (section == nullptr || (parent != TVI_ROOT && sectionTree.HoldsChildren(parent))) return;
  if (dlg::ControlWrapper* tree = FindControl(IDC_TREE))
    sectionTree.InsertChildren(tree->ref.Resolve(), parent, *section);
}

void MainDialog::ShowRecords(cfg::Section* section) {
  currentSection = section;
  ClearLists();
  dlg::ListBoxControl* records = RecordsList();
  if (section == nullptr || records == nullptr) return;
  std::vector<std::string> names;
  for (int i = 1; i <= section->Count(); ++i) {
    cfg::Record* record = section->RecordAt(i);
    if (!record->IsNull()) names.emplace_back(record->GetName());
  }
  editor::FillSortedList(*records, names, {});
}

void MainDialog::ShowValues() {
  dlg::ListBoxControl* values = ValuesList();
  dlg::ListBoxControl* records = RecordsList();
  if (values == nullptr || records == nullptr) return;
  values->ResetContent();
  std::unique_ptr<char[]> name = records->SelectedItemText();
  if (name == nullptr || currentSection == nullptr) return;
  cfg::Record* record = currentSection->RecordByName(name.get());
  std::array<char, 1025> line;
  std::vector<std::string> lines;
  std::vector<LPARAM> data;
  for (int i = 1; i <= record->Count(); ++i) {
    cfg::Value* value = record->ValueAt(i);
    const char* valueName = value->GetName();
    switch (value->Type()) {
      case cfg::ValueType::Int:
        if (valueName != nullptr)
          wsprintfA(line.data(), "(int)%s = %d", valueName, value->GetInt());
        else
          wsprintfA(line.data(), "(int) = %d", value->GetInt());
        break;
      case cfg::ValueType::String:
        if (valueName != nullptr)
          wsprintfA(line.data(), "(string)%s = %s", valueName, value->GetString());
        else
          wsprintfA(line.data(), "(string) = %s", value->GetString());
        break;
      default:
        continue;
    }
    lines.emplace_back(line.data());
    data.push_back(reinterpret_cast<LPARAM>(value));
  }
  editor::FillSortedList(*values, lines, data);
}

void MainDialog::ShowValue() {
  dlg::ListBoxControl* values = ValuesList();
  if (values == nullptr) return;
  LRESULT index = values->GetCurSel();
  if (index == LB_ERR) return;
  auto* value = reinterpret_cast<cfg::Value*>(values->GetItemData(static_cast<int>(index)));
  if (value == nullptr) return;
  const char* name = value->GetName();
  if (dlg::ControlWrapper* field = FindControl(IDC_VALUE_NAME))
    field->ref.SetText(name != nullptr ? name : "");
  if (dlg::ControlWrapper* field = FindControl(IDC_VALUE_TEXT)) {
    if (value->Type() == cfg::ValueType::Int)
      field->ref.SetInt(value->GetInt());
    else if (value->Type() == cfg::ValueType::String)
      field->ref.SetText(value->GetString());
  }
  SelectType(static_cast<int>(value->Type()));
}

cfg::Record* MainDialog::SelectedRecord() {
  if (currentSection == nullptr) return nullptr;
  dlg::ListBoxControl* records = RecordsList();
  if (records == nullptr) return nullptr;
  std::unique_ptr<char[]> name = records->SelectedItemText();
  if (name == nullptr) return nullptr;
  cfg::Record* record = currentSection->RecordByName(name.get());
  return record->IsNull() ? nullptr : record;
}

cfg::Value* MainDialog::SelectedValue() {
  dlg::ListBoxControl* values = ValuesList();
  if (values == nullptr) return nullptr;
  LRESULT index = values->GetCurSel();
  if (index == LB_ERR) return nullptr;
  return reinterpret_cast<cfg::Value*>(values->GetItemData(static_cast<int>(index)));
}

// ---------------------------------------------------------------------------
// Sections

void MainDialog::SectionAdd() {
  std::unique_ptr<char[]> name = FieldText(IDC_SECTION_NAME);
  if (name == nullptr) return;
  if (cfg::NameProblem(cfg::NameUse::Section, name.get()) != nullptr) return;
  if (currentSection->FindByName(name.get()) != nullptr) return;
  cfg::Section* section = currentSection->FindOrCreateSection(name.get());
  if (section == nullptr) return;
  HTREEITEM parent = SelectedItem();
  if (parent == nullptr) parent = TVI_ROOT;
  if (dlg::ControlWrapper* tree = FindControl(IDC_TREE)) {
    // Below a parent whose children are not in yet, the new section comes in
    // with its siblings, in slot order, when the parent is first expanded.
    if (sectionTree.HoldsChildren(parent))
      sectionTree.Append(tree->ref.Resolve(), parent, *section);
    else
      SetItemChildren(parent, true);
    tree->ref.Invalidate(nullptr);
  }
}

void MainDialog::SectionDelete() {
  HTREEITEM item = SelectedItem();
  if (item == nullptr) return;
  // The selected item shows the current section; its own lParam names it.
  cfg::Section* section = ItemSection(item);
  if (section == nullptr) section = currentSection;
  auto parentItem = reinterpret_cast<HTREEITEM>(
      SendTree(TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
  cfg::Section* parent = nullptr;
  if (parentItem != nullptr) {
    parent = ItemSection(parentItem);
    if (parent != nullptr) {
      parent->Remove(section);
      currentSection = parent;
      SendTree(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(parentItem));
    }
  } else {
    CurrentDocument->Remove(section);
    currentSection = CurrentDocument;
  }
  DeleteSubtree(item);
  // A parent left without child sections loses its button, as it does when
  // the tree view deletes its last child item.
  if (parent != nullptr && !editor::HasChildSections(*parent)) SetItemChildren(parentItem, false);
  // The selection may have moved to a neighbour of the deleted item: the lists
  // show the records of whatever is selected now, or nothing.
  HTREEITEM selected = SelectedItem();
  cfg::Section* shown = selected != nullptr ? ItemSection(selected) : nullptr;
  if (shown != nullptr)
    ShowRecords(shown);
  else
    ClearLists();
}

void MainDialog::SetItemChildren(HTREEITEM item, bool children) {
  TVITEMA data{};
  data.mask = TVIF_CHILDREN;
  data.hItem = item;
  data.cChildren = children ? 1 : 0;
  SendTree(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

void MainDialog::DeleteSubtree(HTREEITEM item) {
  dlg::ControlWrapper* tree = FindControl(IDC_TREE);
  if (tree == nullptr) return;
  editor::WaitCursor wait;
  tree->SetRedraw(false);
  editor::DeleteTreeItems(tree->ref.Resolve(), item);
  tree->SetRedraw(true);
  tree->ref.Invalidate(nullptr);
}

void MainDialog::SectionUpdate() {
  std::unique_ptr<char[]> name = FieldText(IDC_SECTION_NAME);
  if (name == nullptr) return;
  // A section inside the document is written as a block beside its siblings;
  // the document itself (no list holds it) is named by its file's path.
  if (const cfg::NamedList* parent = currentSection->Owner()) {
    if (cfg::NameProblem(cfg::NameUse::Section, name.get()) != nullptr) return;
    const cfg::NamedObject* holder = parent->FindByName(name.get());
    if (holder != nullptr && holder != currentSection) return;
  }
  HTREEITEM item = SelectedItem();
  currentSection->SetName(name.get());
  if (item != nullptr) {
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = const_cast<char*>(currentSection->GetName());
    SendTree(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  }
}

void MainDialog::GoToRoot() {
  currentSection = CurrentDocument;
  SendTree(TVM_SELECTITEM, TVGN_CARET, 0);
  ShowRecords(CurrentDocument);
}

// ---------------------------------------------------------------------------
// Records

void MainDialog::RecordAdd() {
  std::unique_ptr<char[]> name = FieldText(IDC_RECORD_NAME);
  dlg::ListBoxControl* records = RecordsList();
  if (name == nullptr || records == nullptr) return;
  if (cfg::NameProblem(cfg::NameUse::Record, name.get()) != nullptr) return;
  cfg::Record* record = currentSection->FindOrCreateRecord(name.get());
  if (record != nullptr && records->FindStringExact(-1, name.get()) == LB_ERR)
    records->AddString(name.get());
}

void MainDialog::RecordUpdate() {
  cfg::Record* record = SelectedRecord();
  if (record == nullptr) return;
  std::unique_ptr<char[]> name = FieldText(IDC_RECORD_NAME);
  dlg::ListBoxControl* records = RecordsList();
  if (name == nullptr) return;
  if (cfg::NameProblem(cfg::RecordNameUse(*record), name.get()) != nullptr) return;
  if (records->FindStringExact(-1, name.get()) != LB_ERR) return;
  // A section of that name would take the record's place when the file is read back.
  const cfg::NamedObject* holder = currentSection->FindByName(name.get());
  if (holder != nullptr && holder != record) return;
  record->SetName(name.get());
  records->DeleteString(static_cast<int>(records->GetCurSel()));
  records->AddString(name.get());
}

void MainDialog::RecordDelete() {
  dlg::ListBoxControl* records = RecordsList();
  if (records == nullptr) return;
  if (cfg::Record* record = SelectedRecord()) {
    currentSection->Remove(record);
    if (dlg::ListBoxControl* values = ValuesList()) values->ResetContent();
  }
  LRESULT selected = records->GetCurSel();
  if (selected != LB_ERR) records->DeleteString(static_cast<int>(selected));
}

// ---------------------------------------------------------------------------
// Values

int MainDialog::ValueAcceptable(cfg::Record* record, const cfg::Value* ignored) {
  int code = SelectedType();
  if (code == static_cast<int>(cfg::ValueType::Int)) {
    std::unique_ptr<char[]> text = FieldText(IDC_VALUE_TEXT);
    int32_t number = 0;
    if (text == nullptr || !cfg::ParseInt32(text.get(), &number)) return 0;
  } else if (code != static_cast<int>(cfg::ValueType::String)) {
    return 0;
  }
  std::unique_ptr<char[]> name = FieldText(IDC_VALUE_NAME);
  if (name == nullptr) return 1;  // unnamed values may repeat
  if (cfg::NameProblem(cfg::NameUse::Value, name.get()) != nullptr) return 0;
  cfg::NamedObject* holder = record->FindByName(name.get());
  return holder == nullptr || holder == ignored ? 1 : 0;
}

void MainDialog::AddValue() {
  if (cfg::Record* record = SelectedRecord(); record != nullptr && ValueAcceptable(record, nullptr)) {
    std::unique_ptr<char[]> text = FieldText(IDC_VALUE_TEXT);
    std::unique_ptr<char[]> name = FieldText(IDC_VALUE_NAME);
    if (SelectedType() == static_cast<int>(cfg::ValueType::Int)) {
      int32_t number = 0;
      if (text != nullptr && cfg::ParseInt32(text.get(), &number))
        record->CreateIntValue(name.get(), number);
    } else {
      record->CreateStringValue(name.get(), text != nullptr ? text.get() : "");
    }
  }
  ShowValues();
}

int MainDialog::DeleteValue() {
  cfg::Value* value = SelectedValue();
  if (value == nullptr) return 0;
  cfg::Record* record = SelectedRecord();
  if (record == nullptr) return 0;
  record->Remove(value);
  dlg::ListBoxControl* values = ValuesList();
  LRESULT selected = values->GetCurSel();
  if (selected != LB_ERR) values->DeleteString(static_cast<int>(selected));
  return 1;
}

void MainDialog::ValueUpdate() {
  // A replacement that would be refused leaves the old value in place.
  cfg::Record* record = SelectedRecord();
  if (record != nullptr && !ValueAcceptable(record, SelectedValue())) return;
  DeleteValue();
  AddValue();
}

// ---------------------------------------------------------------------------
// Copy, Paste, About

void MainDialog::Copy() {
  // The document itself and the placeholder of a failed Open have no block of
  // their own: a copy of either would be pasted as a section that the tree
  // does not show or that a save writes without its own block.
  if (currentSection->IsFile() || currentSection->IsNull()) return;
  delete SectionClipboard;
  SectionClipboard = currentSection->CloneSection().release();
}

void MainDialog::Paste() {
  if (SectionClipboard == nullptr) return;
  std::unique_ptr<cfg::Section> copy(SectionClipboard);
  if (currentSection->AddChild(copy) == 0) {
    copy.release();  // refused: the clipboard keeps its copy
    return;
  }
  SectionClipboard = nullptr;
  currentSection = nullptr;
  RefillTree();
  ClearLists();
}

void MainDialog::About() {
  AboutDialog about(ref.Instance(), Window());
  about.ShowModal();
}

// ---------------------------------------------------------------------------
// Find

void MainDialog::Find() {
  if (CurrentDocument == nullptr) return;
  FindDialog find(ref.Instance(), Window(), CurrentDocument);
  if (find.ShowModal() == 1) GoTo(find.Picked());
}

void MainDialog::CompareWith() {
  if (CurrentDocument == nullptr) return;
  std::vector<char> path(kPathSize, '\0');
  OPENFILENAMEA params = FileDialogParams(Window(), path.data());
  params.nFilterIndex = 1;
  params.lpstrTitle = "Compare with";
  params.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&params) == 0) return;
  cfg::DocumentPtr other(new cfg::Section(cfg::kFileSection, FullPath(path.data()).c_str()));
  if (other->Load() == 0) {
    dlg::ShowMessage(Window(), "Error", MB_ICONHAND, "Can not open file: %s", path.data());
    return;
  }
  bool capped = false;
  std::vector<CompareLine> list = CompareDocuments(*CurrentDocument, *other, FindDialog::kMaxHits, &capped);
  std::vector<std::string> lines;
  std::vector<FindTarget> targets;
  for (CompareLine& line : list) {
    lines.push_back(std::move(line.text));
    targets.push_back(std::move(line.target));
  }
  FindDialog compare(ref.Instance(), Window(), "Compare", std::move(lines), std::move(targets), capped);
  if (compare.ShowModal() == 1) GoTo(compare.Picked());
}

void MainDialog::GoTo(const FindTarget& target) {
  if (target.sections.empty()) {
    GoToRoot();
  } else {
    HTREEITEM item = SectionItem(target.sections);
    if (item == nullptr) return;
    HTREEITEM before = SelectedItem();
    // Selecting expands the item's parents; the change lists its records.
    SendTree(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    SendTree(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    // An item selected already reports no change.
    if (before == item) ShowRecords(ItemSection(item));
  }
  dlg::ListBoxControl* records = RecordsList();
  if (target.record == nullptr || records == nullptr) return;
  LRESULT line = records->FindStringExact(-1, target.record->GetName());
  if (line == LB_ERR) return;
  records->ref.Send(LB_SETCURSEL, static_cast<WPARAM>(line), 0);
  ShowValues();
  dlg::ListBoxControl* values = ValuesList();
  if (target.value == nullptr || values == nullptr) return;
  const dlg::ListBoxControl lines(values->ref.Pinned());
  LRESULT count = lines.ref.Send(LB_GETCOUNT, 0, 0);
  for (int i = 0; i < count; ++i) {
    if (lines.GetItemData(i) == reinterpret_cast<LRESULT>(target.value)) {
      lines.ref.Send(LB_SETCURSEL, static_cast<WPARAM>(i), 0);
      ShowValue();
      return;
    }
  }
}

HTREEITEM MainDialog::SectionItem(const std::vector<const cfg::Section*>& sections) {
  dlg::ControlWrapper* tree = FindControl(IDC_TREE);
  if (tree == nullptr) return nullptr;
  // Each item is found by its section, not by a walk along its siblings, so a
  // wide tree costs no more than a narrow one; the children of the items on
  // the way come in where they are not yet, all with redraw off.
  bool redrawOff = false;
  HTREEITEM item = TVI_ROOT;
  const cfg::Section* above = nullptr;
  for (const cfg::Section* wanted : sections) {
    if (!sectionTree.HoldsChildren(item)) {
      if (!redrawOff) tree->SetRedraw(false);
      redrawOff = true;
      InsertSectionItems(above, item);
    }
    item = sectionTree.ItemOf(wanted, item);
    if (item == nullptr) break;
    above = wanted;
  }
  if (redrawOff) {
    tree->SetRedraw(true);
    tree->ref.Invalidate(nullptr);
  }
  return item != TVI_ROOT ? item : nullptr;
}
