// The editor's main window (template 101): the section tree, the records and
// values lists, the value fields, and every command of the menu bar.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "config/config_node.h"
#include "dialogs/control_wrapper.h"
#include "dialogs/dialog.h"
#include "editor/find_dialog.h"
#include "editor/section_tree.h"

class MainDialog : public dlg::Dialog {
 public:
  // commandLine is the entry point's text (not owned); its first token is cut
  // from it in place at WM_INITDIALOG.
  MainDialog(HINSTANCE instance, char* commandLine);

  int OnMessage(dlg::WindowMessage* message) override;

  // The section the records list shows and the section and record commands
  // act on; nullptr when none is current.
  cfg::Section* CurrentSection() const { return currentSection; }

  // Views.
  void FillTypeCombo();
  int SelectedType();
  void SelectType(int code);
  void ClearLists();
  void RefillTree();
  // Inserts the items of the child sections of section below parent (one
  // level, in slot order; each shows a button when it has children, which
  // come in when it is first expanded), unless parent holds them already.
  void InsertSectionItems(const cfg::Section* section, HTREEITEM parent);
  void ShowRecords(cfg::Section* section);
  void ShowValues();
  void ShowValue();
  cfg::Record* SelectedRecord();
  cfg::Value* SelectedValue();

  // Documents and files.
  void NewDocument();
  void OpenPath(const char* path);
  void OpenFile();
  void Save();
  void SaveAs();

  // Editing commands.
  void SectionAdd();
  void SectionDelete();
  void SectionUpdate();
  void GoToRoot();
  void RecordAdd();
  void RecordUpdate();
  void RecordDelete();
  void AddValue();
  int DeleteValue();
  void ValueUpdate();
  void Copy();
  void Paste();
  void About();

  // Find: the Find dialog, then the picked hit shown as a user would reach it
  // by hand: its section selected in the tree and current, its record and, for
  // an int or string value, its value line selected.
  void Find();
  // File > Compare with...: a second file's differences from the document.
  void CompareWith();
  void GoTo(const FindTarget& target);
  // The tree item of the last section of the chain (outermost first), found
  // from the top level down, each item's children inserted on the way where
  // they were not; nullptr when the tree lacks one of them.
  HTREEITEM SectionItem(const std::vector<const cfg::Section*>& sections);

 private:
  void OnInitDialog();
  void OnDropFiles(HDROP drop);
  void OnCommand(int id, int code);
  void OnNotify(const NMHDR* header);
  // An item is about to expand: its children come in the first time.
  void OnExpanding(const NMTREEVIEWA& change);
  // Deletes every tree item while the dialog is destroyed, before the tree
  // view is destroyed with them.
  void EmptyTreeAtEnd(HWND dialog);
  // Deletes a tree item with all items below it.
  void DeleteSubtree(HTREEITEM item);
  // Shows or hides the button of a tree item (TVIF_CHILDREN).
  void SetItemChildren(HTREEITEM item, bool children);
  // Makes the MAIN section current in the tree too: selects its item.
  void SelectSectionItem(cfg::Section* section);

  // Controls.
  LRESULT SendTree(UINT msg, WPARAM wParam, LPARAM lParam) const;
  HTREEITEM SelectedItem() const;
  cfg::Section* ItemSection(HTREEITEM item) const;
  dlg::ListBoxControl* RecordsList() const;
  dlg::ListBoxControl* ValuesList() const;
  dlg::ComboBoxControl* TypeCombo() const;
  std::unique_ptr<char[]> FieldText(int id) const;

  // Why a value from the fields would be refused, checked before anything
  // changes: 1 when it would be created in record, ignoring the value ignored
  // (the one an update replaces).
  int ValueAcceptable(cfg::Record* record, const cfg::Value* ignored);

  cfg::Section* currentSection;
  int trackSelection;
  editor::SectionTree sectionTree;
  char* commandLine;
};
