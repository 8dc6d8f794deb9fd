// The editor's main window (template 101): it dispatches the menu's and the
// buttons' commands to the document session, shows the document in the
// section tree, the records and values lists and the value fields, and
// reports what a command refused.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "config/config_node.h"
#include "dialogs/control_wrapper.h"
#include "dialogs/dialog.h"
#include "editor/document_session.h"
#include "editor/editor_keys.h"
#include "editor/find_dialog.h"
#include "editor/refusal_balloon.h"
#include "editor/section_tree.h"

class MainDialog : public dlg::Dialog {
 public:
  // commandLine is the entry point's text (not owned); its first token is cut
  // from it in place at WM_INITDIALOG. session holds the document and outlives
  // the dialog.
  MainDialog(HINSTANCE instance, char* commandLine, editor::DocumentSession& session);

  int OnMessage(dlg::WindowMessage* message) override;

  // The section the records list shows and the section and record commands
  // act on; nullptr when none is current.
  cfg::Section* CurrentSection() const { return currentSection; }
  // The balloon of the latest refusal.
  const editor::RefusalBalloon& Balloon() const { return balloon; }

 private:
  // Start-up, documents and files.
  void OnInitDialog();
  void OnDropFiles(HDROP drop);
  void OpenPath(const char* path, editor::Door door);
  void NewDocument();
  void OpenFile();
  void Save();
  void SaveAs();

  // Dispatch.
  void OnCommand(int id, int code);
  void OnNotify(const NMHDR* header);
  // An item is about to expand: its children come in the first time.
  void OnExpanding(const NMTREEVIEWA& change);
  // Greys Undo and Redo when there is nothing to take back or do again.
  void UpdateHistoryItems();

  // Views.
  void FillTypeCombo();
  int SelectedType();
  void SelectType(int code);
  void ClearLists();
  void RefillTree();
  // Inserts the items of the child sections of section below parent, unless
  // parent holds them already.
  void InsertSectionItems(const cfg::Section* section, HTREEITEM parent);
  void ShowRecords(cfg::Section* section);
  void ShowValues();
  void ShowValue();
  cfg::Record* SelectedRecord();
  cfg::Value* SelectedValue();
  // Selects the item of a section at the top level, if the tree holds one.
  void SelectSectionItem(cfg::Section* section);
  // Deletes every tree item while the dialog is destroyed, before the tree
  // view is destroyed with them.
  void EmptyTreeAtEnd(HWND dialog);

  // The editing commands: each asks the session, then redraws what changed
  // or shows why it refused.
  void SectionAdd();
  void SectionDelete();
  void SectionUpdate();
  void GoToRoot();
  void RecordAdd();
  void RecordUpdate();
  void RecordDelete();
  void ValueAdd();
  void ValueDelete();
  void ValueUpdate();
  void Copy();
  void Paste();
  void UndoRedo(bool undo);
  void About();
  // The fields' value for Value Add and Update; the texts stay in the
  // buffers given.
  editor::ValueFields ReadValueFields(std::unique_ptr<char[]>& name, std::unique_ptr<char[]>& text);
  // Shows the balloon of a refused command: its title, and the outcome's
  // reason at the control of its spot. Returns whether the outcome was done.
  bool Report(const editor::Outcome& outcome, const char* title);
  // After an undo or a redo: the tree made to agree with the change, then its
  // place shown as Find's Go to shows a hit.
  void ShowChange(const editor::Change& change);

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

  // Controls.
  dlg::ListBoxControl* RecordsList() const;
  dlg::ListBoxControl* ValuesList() const;
  dlg::ComboBoxControl* TypeCombo() const;
  std::unique_ptr<char[]> FieldText(int id) const;
  HWND ControlWindow(int id) const;

  editor::DocumentSession& session;
  cfg::Section* currentSection;
  int trackSelection;
  editor::SectionTree sectionTree;
  editor::RefusalBalloon balloon;
  editor::EditorKeys keys;
  char* commandLine;
};
