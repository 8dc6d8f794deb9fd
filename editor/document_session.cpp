#include "editor/document_session.h"

#include <sys/stat.h>

#include <cstdint>
#include <utility>

#include "config/name_rules.h"
#include "config/number_text.h"
#include "config/tree_search.h"
#include "config/value_rules.h"
#include "config/writer_lock.h"

namespace editor {

namespace {

constexpr char kNoSection[] = "No section is selected: choose one in the tree.";
constexpr char kNoRecord[] = "No record is selected: choose one in the records list.";
constexpr char kNoValue[] = "No value is selected: choose one in the values list.";

// The refusal of a name that a save would not give back.
Outcome NameRefused(cfg::NameUse use, const char* name, Spot spot) {
  Outcome outcome;
  const char* problem = cfg::NameProblem(use, name != nullptr ? name : "");
  if (problem != nullptr) {
    outcome.reason = std::string("This name can not be saved: ") + problem + ".";
    outcome.spot = spot;
  }
  return outcome;
}

Outcome Refused(const char* reason, Spot spot) {
  Outcome outcome;
  outcome.reason = reason;
  outcome.spot = spot;
  return outcome;
}

// The refusal of a name that a child of section other than self holds.
Outcome NameTaken(const cfg::Section& section, const char* name, const cfg::NamedObject* self,
                  Spot spot) {
  const cfg::NamedObject* holder = section.FindByName(name);
  if (holder == nullptr || holder == self) return Outcome();
  if (static_cast<const cfg::ConfigNode*>(holder)->IsRecord())
    return Refused("A record of that name is here already.", spot);
  return Refused("A section of that name is here already.", spot);
}

// The section that holds a section or record; nullptr for the document.
cfg::Section* OwnerSection(const cfg::NamedObject* item) {
  return const_cast<cfg::Section*>(static_cast<const cfg::Section*>(item->Owner()));
}

bool FileExists(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0;
}

// Frees a removed item; a large section on two threads, as a document is freed.
void FreeHeld(std::unique_ptr<cfg::NamedObject>& held) {
  if (held == nullptr) return;
  if (cfg::NamedList* list = held->AsList()) list->FreeItemsOnTwoThreads();
  held.reset();
}

}  // namespace

DocumentSession::Step DocumentSession::Added(cfg::NamedList* list, const cfg::NamedObject* item) {
  Step step(1);
  step[0].list = list;
  step[0].slot = list->SlotOf(item);
  return step;
}

DocumentSession::Step DocumentSession::Taken(cfg::NamedList* list, const cfg::NamedObject* item) {
  Step step = Added(list, item);
  step[0].held = list->TakeAt(step[0].slot);
  return step;
}

DocumentSession::Step DocumentSession::Renamed(cfg::NamedObject* item, const char* name) {
  Step step(1);
  step[0].renamed = item;
  step[0].otherName = std::string(item->NameView());
  item->SetName(name);
  return step;
}

DocumentSession::DocumentSession() : document_(new cfg::Section(cfg::kFileSection, "")) {}

DocumentSession::~DocumentSession() { ClearHistory(); }

const char* DocumentSession::Path() const {
  const char* name = document_->GetName();
  return name != nullptr ? name : "";
}

void DocumentSession::ClearHistory() {
  for (Step& step : steps_)
    for (Edit& edit : step) FreeHeld(edit.held);
  steps_.clear();
  undone_ = 0;
}

void DocumentSession::Replace(cfg::Section* document) {
  ClearHistory();
  document_.reset(document);
}

cfg::Section* DocumentSession::New() {
  Replace(nullptr);
  Replace(new cfg::Section(cfg::kFileSection, ""));
  return document_->FindOrCreateSection("MAIN");
}

Opened DocumentSession::Open(const std::string& path, Door door) {
  // The old document goes first: two large documents need not fit at once.
  Replace(nullptr);
  cfg::DocumentPtr document(new cfg::Section(cfg::kFileSection, path.c_str()));
  Opened opened;
  opened.loaded = document->Load() != 0;
  if (!opened.loaded) {
    if (door == Door::OpenDialog) {
      document.reset(new cfg::Section());
    } else {
      if (FileExists(path)) document.reset(new cfg::Section(cfg::kFileSection, ""));
      opened.current = document->FindOrCreateSection("MAIN");
    }
  }
  Replace(document.release());
  return opened;
}

SaveOutcome DocumentSession::Save() const {
  SaveOutcome outcome;
  if (!document_->IsFile()) return outcome;
  // Another program (cfgtool) may be rewriting the file: one writer at a time.
  cfg::WriterLock lock(Path());
  if (lock.GetState() == cfg::WriterLock::State::Busy) {
    outcome.reason = "another program is writing it";
    return outcome;
  }
  // A lock file that can not be made beside the file means a file that can
  // not be written there either: a plain failure of the write.
  if (!lock.MayWrite()) return outcome;
  // A name read from the file can be one that a save would change (a
  // section's "a;b" closes as "a"): writing it would break the file.
  const bool namesSurvive = cfg::NamesSurviveSave(*document_, [&](const cfg::SearchHit& item, const char* problem) {
    outcome.reason = "the name \"" + std::string(item.name) + "\" would not be read back (" + problem + ")";
  });
  if (!namesSurvive) return outcome;
  outcome.written = document_->Save() != 0;
  return outcome;
}

SaveOutcome DocumentSession::SaveAs(const char* path) {
  document_->SetName(path);
  return Save();
}

void DocumentSession::Remember(Step step) {
  while (undone_ > 0) {
    for (Edit& edit : steps_.back()) FreeHeld(edit.held);
    steps_.pop_back();
    --undone_;
  }
  steps_.push_back(std::move(step));
}

// ---------------------------------------------------------------------------
// Sections

Outcome DocumentSession::AddSection(cfg::Section* current, const char* name) {
  if (current == nullptr) return Refused(kNoSection, Spot::Tree);
  Outcome outcome = NameRefused(cfg::NameUse::Section, name, Spot::SectionName);
  if (!outcome.Done()) return outcome;
  outcome = NameTaken(*current, name, nullptr, Spot::SectionName);
  if (!outcome.Done()) return outcome;
  cfg::Section* section = current->FindOrCreateSection(name);
  Remember(Added(current, section));
  outcome.change = {Change::Tree::Added, current, section, nullptr, nullptr};
  return outcome;
}

Outcome DocumentSession::DeleteSection(cfg::Section* section) {
  if (section == nullptr) return Refused(kNoSection, Spot::Tree);
  cfg::Section* parent = OwnerSection(section);
  if (parent == nullptr)
    return Refused("The document itself can not be deleted: choose a section in the tree.",
                   Spot::Tree);
  Remember(Taken(parent, section));
  Outcome outcome;
  outcome.change = {Change::Tree::Removed, parent, section, nullptr, nullptr};
  return outcome;
}

Outcome DocumentSession::RenameSection(cfg::Section* section, const char* name) {
  if (section == nullptr) return Refused(kNoSection, Spot::Tree);
  cfg::Section* parent = OwnerSection(section);
  if (parent == nullptr) {
    // The document's name is its file's path, which any text may be.
    if (name == nullptr || *name == '\0') return Refused("The name is empty.", Spot::SectionName);
    section->SetName(name);
    Outcome outcome;
    outcome.change = {Change::Tree::Renamed, nullptr, section, nullptr, nullptr};
    return outcome;
  }
  Outcome outcome = NameRefused(cfg::NameUse::Section, name, Spot::SectionName);
  if (!outcome.Done()) return outcome;
  if (section->NameView() == name)
    return Refused("The section has that name already.", Spot::SectionName);
  outcome = NameTaken(*parent, name, section, Spot::SectionName);
  if (!outcome.Done()) return outcome;
  Remember(Renamed(section, name));
  outcome.change = {Change::Tree::Renamed, parent, section, nullptr, nullptr};
  return outcome;
}

// ---------------------------------------------------------------------------
// Records

Outcome DocumentSession::AddRecord(cfg::Section* current, const char* name) {
  if (current == nullptr) return Refused(kNoSection, Spot::Tree);
  Outcome outcome = NameRefused(cfg::NameUse::Record, name, Spot::RecordName);
  if (!outcome.Done()) return outcome;
  outcome = NameTaken(*current, name, nullptr, Spot::RecordName);
  if (!outcome.Done()) return outcome;
  cfg::Record* record = current->FindOrCreateRecord(name);
  Remember(Added(current, record));
  outcome.change = {Change::Tree::Same, nullptr, current, record, nullptr};
  return outcome;
}

Outcome DocumentSession::RenameRecord(cfg::Record* record, const char* name) {
  if (record == nullptr) return Refused(kNoRecord, Spot::Records);
  cfg::Section* section = OwnerSection(record);
  Outcome outcome = NameRefused(cfg::RecordNameUse(*record), name, Spot::RecordName);
  if (!outcome.Done()) return outcome;
  // Its own name is refused too, in any letter case: the records list holds
  // one line per name, ignoring case.
  if (section->FindByName(name) == record)
    return Refused("The record has that name already.", Spot::RecordName);
  outcome = NameTaken(*section, name, record, Spot::RecordName);
  if (!outcome.Done()) return outcome;
  Remember(Renamed(record, name));
  outcome.change = {Change::Tree::Same, nullptr, section, record, nullptr};
  return outcome;
}

Outcome DocumentSession::DeleteRecord(cfg::Record* record) {
  if (record == nullptr) return Refused(kNoRecord, Spot::Records);
  cfg::Section* section = OwnerSection(record);
  Remember(Taken(section, record));
  Outcome outcome;
  outcome.change = {Change::Tree::Same, nullptr, section, nullptr, nullptr};
  return outcome;
}

// ---------------------------------------------------------------------------
// Values

namespace {

// The value the fields describe, unnamed; nullptr, and why, when they
// describe none. The number is read from the field as the "%i" conversion
// reads it: a number at its start, in decimal, octal after 0, hexadecimal
// after 0x.
std::unique_ptr<cfg::Value> ValueOfFields(const ValueFields& fields, Outcome* refusal) {
  if (fields.type == static_cast<int>(cfg::ValueType::Int)) {
    int32_t number = 0;
    if (fields.text == nullptr || !cfg::ParseInt32(fields.text, &number)) {
      *refusal = Refused("An int needs a number, such as 42, -7 or 0x1F.", Spot::ValueText);
      return nullptr;
    }
    return std::make_unique<cfg::Value>(number);
  }
  if (fields.type == static_cast<int>(cfg::ValueType::String))
    return std::make_unique<cfg::Value>(fields.text != nullptr ? fields.text : "");
  *refusal = Refused("No type is chosen: choose int or string.", Spot::ValueType);
  return nullptr;
}

// The value the fields describe, named, as record would take it, where
// ignored (the value an update replaces) does not count; nullptr, and why,
// when it would be refused.
std::unique_ptr<cfg::Value> AcceptedValue(const cfg::Record& record, const ValueFields& fields,
                                          const cfg::Value* ignored, Outcome* refusal) {
  std::unique_ptr<cfg::Value> value = ValueOfFields(fields, refusal);
  if (value == nullptr) return nullptr;
  const std::string_view name = fields.name != nullptr ? fields.name : "";
  if (const char* problem = cfg::ValueProblem(record.NameView(), name, *value)) {
    // The phrase names what is wrong: the record's name, the value's or its text.
    const std::string_view phrase(problem);
    const Spot spot = phrase.rfind("the string", 0) == 0        ? Spot::ValueText
                      : phrase.rfind("the record name", 0) == 0 ? Spot::Records
                                                                : Spot::ValueName;
    *refusal = Refused("", spot);
    refusal->reason = std::string("This value can not be saved: ") + problem + ".";
    return nullptr;
  }
  // Unnamed values may repeat.
  const cfg::NamedObject* holder = name.empty() ? nullptr : record.FindByName(name);
  if (holder != nullptr && holder != ignored) {
    *refusal = Refused("The record holds a value of that name already.", Spot::ValueName);
    return nullptr;
  }
  value->SetName(name);
  return value;
}

}  // namespace

Outcome DocumentSession::AddValue(cfg::Record* record, const ValueFields& fields) {
  return UpdateValue(record, nullptr, fields);
}

Outcome DocumentSession::DeleteValue(cfg::Record* record, cfg::Value* value) {
  if (value == nullptr) return Refused(kNoValue, Spot::Values);
  if (record == nullptr) return Refused(kNoRecord, Spot::Records);
  if (value->Owner() != record) return Refused(kNoValue, Spot::Values);
  Remember(Taken(record, value));
  Outcome outcome;
  outcome.change = {Change::Tree::Same, nullptr, OwnerSection(record), record, nullptr};
  return outcome;
}

Outcome DocumentSession::UpdateValue(cfg::Record* record, cfg::Value* value,
                                     const ValueFields& fields) {
  if (record == nullptr) return Refused(kNoRecord, Spot::Records);
  if (value != nullptr && value->Owner() != record) value = nullptr;
  Outcome outcome;
  std::unique_ptr<cfg::Value> made = AcceptedValue(*record, fields, value, &outcome);
  if (made == nullptr) return outcome;
  Step step;
  if (value != nullptr) step = Taken(record, value);
  cfg::Value* added = made.get();
  record->AddChild(made);
  step.push_back(std::move(Added(record, added)[0]));
  Remember(std::move(step));
  outcome.change = {Change::Tree::Same, nullptr, OwnerSection(record), record, added};
  return outcome;
}

// ---------------------------------------------------------------------------
// Copy and Paste

Outcome DocumentSession::Copy(const cfg::Section* section) {
  if (section == nullptr) return Refused(kNoSection, Spot::Tree);
  // The document itself, and the placeholder of a failed Open, have no block
  // of their own to paste.
  if (section->IsFile() || section->IsNull())
    return Refused("The document itself can not be copied: choose a section in the tree.",
                   Spot::Tree);
  clipboard_ = section->CloneSection();
  return Outcome();
}

Outcome DocumentSession::Paste(cfg::Section* current) {
  if (current == nullptr) return Refused(kNoSection, Spot::Tree);
  if (clipboard_ == nullptr) return Refused("Nothing is copied: copy a section first.", Spot::Tree);
  cfg::Section* pasted = clipboard_.get();
  if (current->AddChild(clipboard_) == 0)
    return Refused("A section or record of the copy's name is here already.", Spot::Tree);
  Remember(Added(current, pasted));
  Outcome outcome;
  outcome.change = {Change::Tree::Added, current, pasted, nullptr, nullptr};
  return outcome;
}

// ---------------------------------------------------------------------------
// History

bool DocumentSession::Toggle(Edit& edit) {
  if (edit.renamed != nullptr) {
    std::string now(edit.renamed->NameView());
    edit.renamed->SetName(edit.otherName);
    edit.otherName = std::move(now);
    return true;
  }
  if (edit.held != nullptr) return edit.list->PutAt(edit.slot, edit.held) != 0;
  edit.held = edit.list->TakeAt(edit.slot);
  return edit.held != nullptr;
}

Change DocumentSession::ChangeOf(const Edit& edit) {
  Change change;
  if (edit.renamed != nullptr) {
    auto* node = static_cast<cfg::ConfigNode*>(edit.renamed);
    if (node->IsRecord()) {
      change.section = OwnerSection(node);
      change.record = static_cast<cfg::Record*>(node);
    } else {
      change.tree = Change::Tree::Renamed;
      change.parent = OwnerSection(node);
      change.section = static_cast<cfg::Section*>(node);
    }
    return change;
  }
  const bool inList = edit.held == nullptr;
  cfg::NamedObject* item = inList ? edit.list->ItemAt(edit.slot) : edit.held.get();
  if (item->AsList() == nullptr) {
    auto* record = static_cast<cfg::Record*>(edit.list);
    change.section = OwnerSection(record);
    change.record = record;
    change.value = inList ? static_cast<cfg::Value*>(item) : nullptr;
  } else if (static_cast<cfg::ConfigNode*>(item)->IsRecord()) {
    change.section = static_cast<cfg::Section*>(edit.list);
    change.record = inList ? static_cast<cfg::Record*>(item) : nullptr;
  } else {
    change.tree = inList ? Change::Tree::Added : Change::Tree::Removed;
    change.parent = static_cast<cfg::Section*>(edit.list);
    change.section = static_cast<cfg::Section*>(item);
  }
  return change;
}

Outcome DocumentSession::Undo() {
  if (!CanUndo()) return Refused("Nothing to undo.", Spot::None);
  Step& step = steps_[steps_.size() - undone_ - 1];
  for (auto edit = step.rbegin(); edit != step.rend(); ++edit) {
    if (!Toggle(*edit)) {
      ClearHistory();
      return Refused("The history no longer fits the document.", Spot::None);
    }
  }
  ++undone_;
  Outcome outcome;
  outcome.change = ChangeOf(step.front());
  return outcome;
}

Outcome DocumentSession::Redo() {
  if (!CanRedo()) return Refused("Nothing to redo.", Spot::None);
  Step& step = steps_[steps_.size() - undone_];
  for (Edit& edit : step) {
    if (!Toggle(edit)) {
      ClearHistory();
      return Refused("The history no longer fits the document.", Spot::None);
    }
  }
  --undone_;
  Outcome outcome;
  outcome.change = ChangeOf(step.back());
  return outcome;
}

}  // namespace editor
