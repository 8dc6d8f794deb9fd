// The editor's document apart from its window: the document and its file's
// path, the section clipboard, the history of changes, the one way to open a
// file, and every editing command as a function that checks its rules against
// the model, applies the change and says what changed or why it refused.
// Plain C++: the window only dispatches, shows and reports.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/config_node.h"

namespace editor {

// The control a refusal concerns: the window points its balloon there.
enum class Spot { None, SectionName, RecordName, ValueName, ValueText, ValueType, Tree, Records, Values };

// What the value fields hold for Value Add and Update.
struct ValueFields {
  const char* name = nullptr;  // the Name field; nullptr or "" for an unnamed value
  const char* text = nullptr;  // the Value field; nullptr when empty
  int type = 0;                // the chosen cfg::ValueType code; 0 when none is chosen
};

// Where a change happened, for the views to show it.
struct Change {
  // What happened to section in the tree of sections.
  enum class Tree { Same, Added, Removed, Renamed };
  Tree tree = Tree::Same;
  cfg::Section* parent = nullptr;   // for Added and Removed: the section that holds or held it
  cfg::Section* section = nullptr;  // the section added, removed, renamed, or holding the change
  cfg::Record* record = nullptr;    // the record concerned while it is in the document
  cfg::Value* value = nullptr;      // the value concerned while it is in the document
};

// A command's outcome: refused (reason says why, spot where), or done.
struct Outcome {
  std::string reason;  // one line; empty when the command was carried out
  Spot spot = Spot::None;
  Change change;
  bool Done() const { return reason.empty(); }
};

// How a file comes to be opened: each door leaves its own state on failure.
enum class Door { CommandLine, OpenDialog, Drop };

// What Open did.
struct Opened {
  bool loaded = false;              // the whole file was read
  cfg::Section* current = nullptr;  // the section to make current (MAIN after a failure at
                                    // start-up or a drop), nullptr for none
};

// What a save did. A write that failed has no reason of its own: the file
// that was there stays as it was.
struct SaveOutcome {
  bool written = false;
  // Why nothing was written, when the save knows more than that it failed:
  // another writer held the file, or a name would not be read back.
  std::string reason;
};

class DocumentSession {
 public:
  // An unnamed document with the file flag: a placeholder until New or Open.
  DocumentSession();
  ~DocumentSession();
  DocumentSession(const DocumentSession&) = delete;
  DocumentSession& operator=(const DocumentSession&) = delete;

  cfg::Section* Document() const { return document_.get(); }
  // The file the document is saved to: its name; "" when it has none.
  const char* Path() const;
  const cfg::Section* Clipboard() const { return clipboard_.get(); }

  // A new unnamed document holding one empty section MAIN, which it returns.
  // The history starts anew.
  cfg::Section* New();
  // Replaces the document with the file at path (as given, already made
  // absolute by the caller) and starts the history anew. On failure: the Open
  // dialog leaves the placeholder (unnamed, null, no file flag: nothing can be
  // saved); start-up and a drop leave an empty document named by path holding
  // MAIN, so that Save writes the file there, unless the file exists but could
  // not be read, when the document is unnamed (a Save must not overwrite a file
  // that is there with an empty document).
  Opened Open(const std::string& path, Door door);
  // Writes the document to its file (Save), holding the file's writer lock;
  // Save as names it first. Neither touches the history.
  SaveOutcome Save() const;
  SaveOutcome SaveAs(const char* path);

  // The commands. current is the section the records list shows (nullptr when
  // none); record and value are the selected ones (nullptr when none).
  Outcome AddSection(cfg::Section* current, const char* name);
  Outcome DeleteSection(cfg::Section* section);
  // A section is renamed among its siblings; the document itself takes any
  // name, which is where Save writes: no undo takes that back.
  Outcome RenameSection(cfg::Section* section, const char* name);
  Outcome AddRecord(cfg::Section* current, const char* name);
  Outcome RenameRecord(cfg::Record* record, const char* name);
  Outcome DeleteRecord(cfg::Record* record);
  Outcome AddValue(cfg::Record* record, const ValueFields& fields);
  Outcome DeleteValue(cfg::Record* record, cfg::Value* value);
  // The value replaced by one made from the fields, in the lowest empty slot
  // (its own, unless a lower one is empty); without a value, AddValue. A
  // replacement that would be refused leaves the old value in place.
  Outcome UpdateValue(cfg::Record* record, cfg::Value* value, const ValueFields& fields);
  // Copy puts a deep copy of the section on the clipboard; it changes nothing
  // in the document and has no history.
  Outcome Copy(const cfg::Section* section);
  // Moves the clipboard's copy into current; the clipboard is empty afterwards,
  // and stays so when the Paste is undone.
  Outcome Paste(cfg::Section* current);

  bool CanUndo() const { return undone_ < steps_.size(); }
  bool CanRedo() const { return undone_ > 0; }
  // Takes back the latest step not yet taken back / does again the latest
  // step taken back. Items go back into their own slots; nothing is copied.
  Outcome Undo();
  Outcome Redo();

 private:
  // One reversible change of one place: an item moved between a slot of a
  // list and the history (held), or a name swapped with the one kept here.
  // Applying it again reverses it.
  struct Edit {
    cfg::NamedList* list = nullptr;       // a slot change: the list and its slot
    int slot = 0;
    std::unique_ptr<cfg::NamedObject> held;
    cfg::NamedObject* renamed = nullptr;  // a rename: the object and its other name
    std::string otherName;
  };
  // What one command did, its edits in the order they were made.
  using Step = std::vector<Edit>;

  // The step of an item just put into list / of taking it out of list now /
  // of renaming it now.
  static Step Added(cfg::NamedList* list, const cfg::NamedObject* item);
  static Step Taken(cfg::NamedList* list, const cfg::NamedObject* item);
  static Step Renamed(cfg::NamedObject* item, const char* name);
  // Keeps a step done, dropping whatever had been undone.
  void Remember(Step step);
  // Applies an edit again (reversing it); false when the document does not
  // let it (it no longer matches the history).
  bool Toggle(Edit& edit);
  // The place an edit concerns, as it stands after it was applied.
  static Change ChangeOf(const Edit& edit);
  void ClearHistory();
  void Replace(cfg::Section* document);

  cfg::DocumentPtr document_;
  std::unique_ptr<cfg::Section> clipboard_;
  // steps_[0 .. size - undone_) are done, the rest were undone (latest first
  // from the back).
  std::vector<Step> steps_;
  size_t undone_ = 0;
};

}  // namespace editor
