#include "editor/main_dialog.h"

#include <commdlg.h>
#include <mbstring.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "config/value_type.h"
#include "editor/about_dialog.h"
#include "editor/compare_list.h"
#include "editor/list_views.h"
#include "editor/view_fill.h"
#include "resources/resource.h"

namespace {

// The types the values list shows and the value commands create, in combo
// order; the combo shows each one's word.
constexpr cfg::ValueType kComboTypes[] = {cfg::ValueType::Int, cfg::ValueType::String};

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

// Asks for an existing file with the Open dialog under title; its path, or
// an empty string when the user cancelled.
std::string AskExistingFile(HWND owner, const char* title) {
  std::vector<char> path(kPathSize, '\0');
  OPENFILENAMEA params = FileDialogParams(owner, path.data());
  params.nFilterIndex = 1;
  params.lpstrTitle = title;
  params.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileNameA(&params) == 0) return std::string();
  return path.data();
}

// Tells the user that the document was not saved as name, and why when the
// save knows more than that it failed.
void ReportNotSaved(HWND owner, const char* name, const editor::SaveOutcome& saved) {
  if (saved.reason.empty())
    dlg::ShowMessage(owner, "Error", MB_OK, "File (%s) not saved.", name);
  else
    dlg::ShowMessage(owner, "Error", MB_OK, "File (%s) not saved: %s.", name, saved.reason.c_str());
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

MainDialog::MainDialog(HINSTANCE instance, char* commandLine, editor::DocumentSession& session)
    : Dialog(instance, IDD_MAIN, nullptr),
      session(session),
      currentSection(session.Document()),
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
      keys.Remove();
      balloon.Detach();  // the dialog destroys the balloon's window, which it owns
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
  sectionTree.Attach(ControlWindow(IDC_TREE));
  keys.Install(Window(), &balloon);
  sectionTree.ShowNoImages();
  // The first control with a tab stop is the tree, and a tree view that gets
  // the focus with no item selected selects its first item. The focus starts
  // in the section name field instead, so the tree starts as it was filled.
  if (HWND field = ControlWindow(IDC_SECTION_NAME)) SetFocus(field);
  FillTypeCombo();
  currentSection = nullptr;
  if (commandLine != nullptr && lstrlenA(commandLine) > 0) {
    unsigned char* token = _mbstok(reinterpret_cast<unsigned char*>(commandLine),
                                   reinterpret_cast<const unsigned char*>(kTokenSeparators));
    if (token != nullptr) {
      OpenPath(reinterpret_cast<const char*>(token), editor::Door::CommandLine);
      return;
    }
  }
  NewDocument();
}

void MainDialog::OpenPath(const char* path, editor::Door door) {
  currentSection = nullptr;
  editor::Opened opened = session.Open(FullPath(path), door);
  if (!opened.loaded) dlg::ShowMessage(Window(), "Error", MB_ICONHAND, "Can not open file: %s", path);
  currentSection = opened.current;
  RefillTree();
  ClearLists();
  SelectSectionItem(currentSection);
  UpdateHistoryItems();
}

void MainDialog::NewDocument() {
  currentSection = session.New();
  RefillTree();
  ClearLists();
  SelectSectionItem(currentSection);
  UpdateHistoryItems();
}

void MainDialog::SelectSectionItem(cfg::Section* section) {
  if (section == nullptr) return;
  HTREEITEM item = sectionTree.ItemOf(section, TVI_ROOT);
  if (item != nullptr) sectionTree.Select(item);
}

void MainDialog::OnDropFiles(HDROP drop) {
  // The length first (without its NUL), so that a long path is read whole.
  UINT length = DragQueryFileA(drop, 0, nullptr, 0);
  if (length != 0) {
    std::vector<char> path(length + 1, '\0');
    if (DragQueryFileA(drop, 0, path.data(), length + 1) != 0) OpenPath(path.data(), editor::Door::Drop);
  }
  DragFinish(drop);
}

void MainDialog::OpenFile() {
  const std::string path = AskExistingFile(Window(), "Open");
  if (!path.empty()) {
    OpenPath(path.c_str(), editor::Door::OpenDialog);
    return;
  }
  // Cancelled: the same document, and its history, shown afresh.
  currentSection = nullptr;
  RefillTree();
  ClearLists();
}

void MainDialog::Save() {
  const char* name = session.Path();
  if (lstrlenA(name) == 0) {
    SaveAs();
    return;
  }
  editor::SaveOutcome saved = session.Save();
  if (saved.written)
    dlg::ShowMessage(Window(), "Success", MB_OK, "File (%s) saved.", name);
  else
    ReportNotSaved(Window(), name, saved);
}

void MainDialog::SaveAs() {
  std::vector<char> path(kPathSize, '\0');
  OPENFILENAMEA params = FileDialogParams(Window(), path.data());
  params.nFilterIndex = 2;
  params.lpstrTitle = "Save as";
  params.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (GetSaveFileNameA(&params) == 0) return;
  editor::SaveOutcome saved = session.SaveAs(path.data());
  if (!saved.written) ReportNotSaved(Window(), path.data(), saved);
}

// ---------------------------------------------------------------------------
// Dispatch

void MainDialog::OnCommand(int id, int code) {
  switch (id) {
    case IDM_EXIT: End(0); return;
    case IDC_RECORDS: if (code == LBN_SELCHANGE) ShowValues(); return;
    case IDC_VALUES: if (code == LBN_SELCHANGE) ShowValue(); return;
    case IDM_OPEN: OpenFile(); break;
    case IDM_SAVE_AS: SaveAs(); break;
    case IDM_NEW: NewDocument(); break;
    case IDM_SAVE: Save(); break;
    case IDM_ABOUT: About(); break;
    case IDM_FIND: Find(); break;
    case IDM_COMPARE: CompareWith(); break;
    case IDM_GO_TO_ROOT: GoToRoot(); break;
    case IDM_RECORD_UPDATE: RecordUpdate(); break;
    case IDM_RECORD_ADD: RecordAdd(); break;
    case IDM_RECORD_DELETE: RecordDelete(); break;
    case IDM_VALUE_UPDATE: ValueUpdate(); break;
    case IDM_VALUE_ADD: ValueAdd(); break;
    case IDM_VALUE_DELETE: ValueDelete(); break;
    case IDM_SECTION_ADD: SectionAdd(); break;
    case IDM_SECTION_DELETE: SectionDelete(); break;
    case IDM_SECTION_UPDATE: SectionUpdate(); break;
    case IDM_SECTION_COPY: Copy(); break;
    case IDM_SECTION_PASTE: Paste(); break;
    case IDM_UNDO: UndoRedo(true); break;
    case IDM_REDO: UndoRedo(false); break;
    default: return;  // IDOK (Enter), Cut, the buffer item, edit and combo notifications
  }
  UpdateHistoryItems();
}

void MainDialog::UpdateHistoryItems() {
  HMENU menu = GetMenu(Window());
  if (menu == nullptr) return;
  EnableMenuItem(menu, IDM_UNDO, MF_BYCOMMAND | (session.CanUndo() ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(menu, IDM_REDO, MF_BYCOMMAND | (session.CanRedo() ? MF_ENABLED : MF_GRAYED));
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
  sectionTree.SetRedraw(false);
  InsertSectionItems(section, item);
  sectionTree.SetRedraw(true);
}

// ---------------------------------------------------------------------------
// Controls

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

HWND MainDialog::ControlWindow(int id) const {
  dlg::ControlWrapper* control = FindControl(id);
  return control != nullptr ? control->ref.Resolve() : nullptr;
}

// ---------------------------------------------------------------------------
// Views

void MainDialog::FillTypeCombo() {
  dlg::ComboBoxControl* combo = TypeCombo();
  if (combo == nullptr) return;
  int position = 0;
  for (cfg::ValueType type : kComboTypes) {
    if (combo->AddString(cfg::TypeWord(type)) != CB_ERR) combo->SetItemData(position, static_cast<int>(type));
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
  for (cfg::ValueType type : kComboTypes) {
    if (static_cast<int>(type) == code) combo->SetCurSel(position);
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
  sectionTree.SetRedraw(false);
  sectionTree.DeleteAll();
  InsertSectionItems(session.Document(), TVI_ROOT);
  sectionTree.SetRedraw(true);
  trackSelection = 1;
}

void MainDialog::EmptyTreeAtEnd(HWND dialog) {
  // The wrappers are gone by now; the tree view is not yet. Destroying it
  // would delete its items recursively.
  trackSelection = 0;
  HWND tree = GetDlgItem(dialog, IDC_TREE);
  if (tree == nullptr) return;
  editor::WaitCursor wait;
  sectionTree.Attach(tree);
  sectionTree.SetRedraw(false);
  sectionTree.DeleteAll();
  sectionTree.Attach(nullptr);
}

void MainDialog::InsertSectionItems(const cfg::Section* section, HTREEITEM parent) {
  if (section == nullptr || (parent != TVI_ROOT && sectionTree.HoldsChildren(parent))) return;
  sectionTree.InsertChildren(parent, *section);
}

void MainDialog::ShowRecords(cfg::Section* section) {
  currentSection = section;
  ClearLists();
  dlg::ListBoxControl* records = RecordsList();
  if (section == nullptr || records == nullptr) return;
  editor::FillRecords(*records, *section);
}

void MainDialog::ShowValues() {
  dlg::ListBoxControl* values = ValuesList();
  if (values == nullptr) return;
  values->ResetContent();
  if (cfg::Record* record = SelectedRecord()) editor::FillValues(*values, *record);
}

void MainDialog::ShowValue() {
  cfg::Value* value = SelectedValue();
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
// Refusals

bool MainDialog::Report(const editor::Outcome& outcome, const char* title) {
  if (outcome.Done()) return true;
  int control = 0;
  switch (outcome.spot) {
    case editor::Spot::SectionName: control = IDC_SECTION_NAME; break;
    case editor::Spot::RecordName: control = IDC_RECORD_NAME; break;
    case editor::Spot::ValueName: control = IDC_VALUE_NAME; break;
    case editor::Spot::ValueText: control = IDC_VALUE_TEXT; break;
    case editor::Spot::ValueType: control = IDC_TYPE; break;
    case editor::Spot::Tree: control = IDC_TREE; break;
    case editor::Spot::Records: control = IDC_RECORDS; break;
    case editor::Spot::Values: control = IDC_VALUES; break;
    case editor::Spot::None: return false;
  }
  balloon.Show(Window(), ControlWindow(control), title, outcome.reason);
  return false;
}

// ---------------------------------------------------------------------------
// Sections

void MainDialog::SectionAdd() {
  std::unique_ptr<char[]> name = FieldText(IDC_SECTION_NAME);
  editor::Outcome outcome = session.AddSection(currentSection, name.get());
  if (!Report(outcome, "Section not added")) return;
  HTREEITEM parent = sectionTree.Selected();
  if (parent == nullptr) parent = TVI_ROOT;
  // Below a parent whose children are not in yet, the new section comes in
  // with its siblings, in slot order, when the parent is first expanded.
  if (sectionTree.HoldsChildren(parent))
    sectionTree.Append(parent, *outcome.change.section);
  else
    sectionTree.SetButton(parent, true);
  sectionTree.Repaint();
}

void MainDialog::SectionDelete() {
  HTREEITEM item = sectionTree.Selected();
  // The selected item shows the current section; its own lParam names it.
  cfg::Section* section = item != nullptr ? sectionTree.SectionOf(item) : nullptr;
  if (item != nullptr && section == nullptr) section = currentSection;
  editor::Outcome outcome = session.DeleteSection(section);
  if (!Report(outcome, "Section not deleted")) return;
  cfg::Section* parent = outcome.change.parent;
  HTREEITEM parentItem = sectionTree.ParentOf(item);
  currentSection = parent;
  if (parentItem != nullptr) sectionTree.Select(parentItem);
  sectionTree.DeleteSubtree(item);
  // A parent left without child sections loses its button, as it does when
  // the tree view deletes its last child item.
  if (parentItem != nullptr && !editor::HasChildSections(*parent)) sectionTree.SetButton(parentItem, false);
  // The selection may have moved to a neighbour of the deleted item: the lists
  // show the records of whatever is selected now, or nothing.
  HTREEITEM selected = sectionTree.Selected();
  cfg::Section* shown = selected != nullptr ? sectionTree.SectionOf(selected) : nullptr;
  if (shown != nullptr)
    ShowRecords(shown);
  else
    ClearLists();
}

void MainDialog::SectionUpdate() {
  std::unique_ptr<char[]> name = FieldText(IDC_SECTION_NAME);
  HTREEITEM item = sectionTree.Selected();
  if (!Report(session.RenameSection(currentSection, name.get()), "Section not renamed")) return;
  if (item != nullptr) sectionTree.SetText(item, currentSection->GetName());
}

void MainDialog::GoToRoot() {
  currentSection = session.Document();
  sectionTree.Select(nullptr);
  ShowRecords(session.Document());
}

// ---------------------------------------------------------------------------
// Records

void MainDialog::RecordAdd() {
  std::unique_ptr<char[]> name = FieldText(IDC_RECORD_NAME);
  if (!Report(session.AddRecord(currentSection, name.get()), "Record not added")) return;
  if (dlg::ListBoxControl* records = RecordsList()) records->AddString(name.get());
}

void MainDialog::RecordUpdate() {
  std::unique_ptr<char[]> name = FieldText(IDC_RECORD_NAME);
  if (!Report(session.RenameRecord(SelectedRecord(), name.get()), "Record not renamed")) return;
  dlg::ListBoxControl* records = RecordsList();
  records->DeleteString(static_cast<int>(records->GetCurSel()));
  records->AddString(name.get());
}

void MainDialog::RecordDelete() {
  if (!Report(session.DeleteRecord(SelectedRecord()), "Record not deleted")) return;
  if (dlg::ListBoxControl* values = ValuesList()) values->ResetContent();
  dlg::ListBoxControl* records = RecordsList();
  LRESULT selected = records->GetCurSel();
  if (selected != LB_ERR) records->DeleteString(static_cast<int>(selected));
}

// ---------------------------------------------------------------------------
// Values

editor::ValueFields MainDialog::ReadValueFields(std::unique_ptr<char[]>& name,
                                                std::unique_ptr<char[]>& text) {
  name = FieldText(IDC_VALUE_NAME);
  text = FieldText(IDC_VALUE_TEXT);
  return {name.get(), text.get(), SelectedType()};
}

void MainDialog::ValueAdd() {
  std::unique_ptr<char[]> name, text;
  editor::ValueFields fields = ReadValueFields(name, text);
  editor::Outcome outcome = session.AddValue(SelectedRecord(), fields);
  ShowValues();
  Report(outcome, "Value not added");
}

void MainDialog::ValueDelete() {
  if (!Report(session.DeleteValue(SelectedRecord(), SelectedValue()), "Value not deleted")) return;
  dlg::ListBoxControl* values = ValuesList();
  LRESULT selected = values->GetCurSel();
  if (selected != LB_ERR) values->DeleteString(static_cast<int>(selected));
}

void MainDialog::ValueUpdate() {
  std::unique_ptr<char[]> name, text;
  editor::ValueFields fields = ReadValueFields(name, text);
  cfg::Record* record = SelectedRecord();
  editor::Outcome outcome = session.UpdateValue(record, SelectedValue(), fields);
  // Without a record the values list empties, as Value Add leaves it.
  if (outcome.Done() || record == nullptr) ShowValues();
  Report(outcome, "Value not replaced");
}

// ---------------------------------------------------------------------------
// Copy, Paste, Undo, Redo, About

void MainDialog::Copy() { Report(session.Copy(currentSection), "Section not copied"); }

void MainDialog::Paste() {
  if (!Report(session.Paste(currentSection), "Section not pasted")) return;
  currentSection = nullptr;
  RefillTree();
  ClearLists();
}

void MainDialog::UndoRedo(bool undo) {
  editor::Outcome outcome = undo ? session.Undo() : session.Redo();
  if (Report(outcome, undo ? "Nothing undone" : "Nothing redone")) ShowChange(outcome.change);
}

void MainDialog::ShowChange(const editor::Change& change) {
  using Tree = editor::Change::Tree;
  // Nothing on view may go on showing what left the document.
  currentSection = nullptr;
  ClearLists();
  cfg::Section* place = change.section;
  trackSelection = 0;
  if (change.tree == Tree::Added || change.tree == Tree::Removed) {
    HTREEITEM parentItem = sectionTree.Find(change.parent);
    if (parentItem != nullptr && change.tree == Tree::Added) {
      if (sectionTree.HoldsChildren(parentItem))
        sectionTree.InsertInPlace(parentItem, *change.section);
      else
        sectionTree.SetButton(parentItem, true);
    } else if (parentItem != nullptr) {
      if (HTREEITEM item = sectionTree.ItemOf(change.section, parentItem)) sectionTree.DeleteSubtree(item);
      if (parentItem != TVI_ROOT && !editor::HasChildSections(*change.parent))
        sectionTree.SetButton(parentItem, false);
    }
    if (change.tree == Tree::Removed) place = change.parent;
  } else if (change.tree == Tree::Renamed) {
    HTREEITEM item = sectionTree.Find(change.section);
    if (item != nullptr && item != TVI_ROOT) sectionTree.SetText(item, change.section->GetName());
  }
  trackSelection = 1;
  FindTarget target;
  for (const cfg::Section* section = place; section != nullptr && section->Owner() != nullptr;
       section = static_cast<const cfg::Section*>(section->Owner()))
    target.sections.push_back(section);
  std::reverse(target.sections.begin(), target.sections.end());
  target.record = change.record;
  target.value = change.value;
  GoTo(target);
}

void MainDialog::About() {
  AboutDialog about(ref.Instance(), Window());
  about.ShowModal();
}

// ---------------------------------------------------------------------------
// Find

void MainDialog::Find() {
  FindDialog find(ref.Instance(), Window(), session.Document());
  if (find.ShowModal() == 1) GoTo(find.Picked());
}

void MainDialog::CompareWith() {
  const std::string path = AskExistingFile(Window(), "Compare with");
  if (path.empty()) return;
  cfg::DocumentPtr other(new cfg::Section(cfg::kFileSection, FullPath(path.c_str()).c_str()));
  if (other->Load() == 0) {
    dlg::ShowMessage(Window(), "Error", MB_ICONHAND, "Can not open file: %s", path.c_str());
    return;
  }
  bool capped = false;
  std::vector<CompareLine> list = CompareDocuments(*session.Document(), *other, FindDialog::kMaxHits, &capped);
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
    HTREEITEM before = sectionTree.Selected();
    // Selecting expands the item's parents; the change lists its records.
    sectionTree.Select(item);
    sectionTree.EnsureVisible(item);
    // An item selected already reports no change.
    if (before == item) ShowRecords(sectionTree.SectionOf(item));
  }
  dlg::ListBoxControl* records = RecordsList();
  if (target.record == nullptr || records == nullptr) return;
  LRESULT line = records->FindStringExact(-1, target.record->GetName());
  if (line == LB_ERR) return;
  records->ref.Send(LB_SETCURSEL, static_cast<WPARAM>(line), 0);
  ShowValues();
  dlg::ListBoxControl* values = ValuesList();
  if (target.value == nullptr || values == nullptr) return;
  LRESULT valueLine = editor::LineOfValue(*values, target.value);
  if (valueLine == LB_ERR) return;
  values->ref.Send(LB_SETCURSEL, static_cast<WPARAM>(valueLine), 0);
  ShowValue();
}

HTREEITEM MainDialog::SectionItem(const std::vector<const cfg::Section*>& sections) {
  // Each item is found by its section, not by a walk along its siblings, so a
  // wide tree costs no more than a narrow one; the children of the items on
  // the way come in where they are not yet, all with redraw off.
  bool redrawOff = false;
  HTREEITEM item = TVI_ROOT;
  const cfg::Section* above = nullptr;
  for (const cfg::Section* wanted : sections) {
    if (!sectionTree.HoldsChildren(item)) {
      if (!redrawOff) sectionTree.SetRedraw(false);
      redrawOff = true;
      InsertSectionItems(above, item);
    }
    item = sectionTree.ItemOf(wanted, item);
    if (item == nullptr) break;
    above = wanted;
  }
  if (redrawOff) sectionTree.SetRedraw(true);
  return item != TVI_ROOT ? item : nullptr;
}
