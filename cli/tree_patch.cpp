#include "tree_patch.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <nlohmann/json.hpp>

#include "config/name_compare.h"
#include "config/tree_diff.h"
#include "config/value.h"
#include "config/value_rules.h"
#include "config/value_text.h"
#include "tool_io.h"
#include "config/value_type.h"
#include "json_load.h"
#include "json_text.h"
#include "value_argument.h"

namespace cfgtool {

namespace {

using Json = nlohmann::json;

// A text field: a JSON string, or null when nullOk.
bool ReadText(const Json& object, const char* key, bool nullOk, bool* isNull, std::string* text,
              std::string* error) {
  auto it = object.find(key);
  if (it == object.end()) {
    *error = std::string("an entry needs \"") + key + "\"";
    return false;
  }
  *isNull = it->is_null();
  if (*isNull && nullOk) return true;
  if (!it->is_string()) {
    *error = std::string("\"") + key + "\" must be a string" + (nullOk ? " or null" : "");
    return false;
  }
  *text = BytesFromJsonString(it->get_ref<const std::string&>());
  return true;
}

// The node a "tree" holds (its JSON text), as dump --json prints it inside
// "children".
std::unique_ptr<cfg::ConfigNode> ReadTree(const std::string& tree, std::string* error) {
  cfg::Section holder(cfg::kFileSection, "");
  std::vector<std::string> problems;
  if (!LoadJson("{\"file\": null, \"children\": [" + tree + "]}", holder, &problems)) {
    *error = "\"tree\": ";
    for (size_t i = 0; i < problems.size(); ++i) *error += (i == 0 ? "" : "; ") + problems[i];
    return nullptr;
  }
  std::vector<std::unique_ptr<cfg::NamedObject>> items = holder.TakeAll();
  if (items.size() != 1) {
    *error = "\"tree\" must be one section or record";
    return nullptr;
  }
  return std::unique_ptr<cfg::ConfigNode>(static_cast<cfg::ConfigNode*>(items.front().release()));
}

// Reads a patch into one shallow JSON object per entry, and the text of each
// object or array that an entry's key holds (a "tree") aside, written again
// from the parser's events: a tree may nest as deeply as the file it comes
// from, and the parser's events, unlike a JSON value, take no recursion.
class PatchReader : public nlohmann::json_sax<Json> {
 public:
  struct Entry {
    Json fields = Json::object();  // the scalars; an object or array as an empty one
    std::string tree;              // the text of the object or array under "tree"
  };

  std::vector<Entry> entries;
  std::string error;

  bool null() override { return Scalar(nullptr, "null"); }
  bool boolean(bool value) override { return Scalar(value, value ? "true" : "false"); }
  bool number_integer(number_integer_t value) override { return Scalar(value, std::to_string(value)); }
  bool number_unsigned(number_unsigned_t value) override { return Scalar(value, std::to_string(value)); }
  bool number_float(number_float_t value, const string_t& text) override { return Scalar(value, text); }
  bool string(string_t& value) override {
    std::string text;
    AppendJsonString(text, BytesFromJsonString(value));
    return Scalar(value, text);
  }
  bool binary(binary_t&) override { return Fail("binary data is not allowed"); }
  bool key(string_t& name) override {
    if (depth_ == 2) {
      key_ = name;
      return true;
    }
    if (!inTree_) return true;
    Separate();
    AppendJsonString(tree(), BytesFromJsonString(name));
    tree() += ':';
    fresh_ = true;
    return true;
  }
  bool start_object(std::size_t) override { return Open('{', Json::object()); }
  bool start_array(std::size_t) override { return Open('[', Json::array()); }
  bool end_object() override { return Close('}'); }
  bool end_array() override { return Close(']'); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    error = "not valid JSON";
    return false;
  }

 private:
  bool Fail(const std::string& message) {
    error = message;
    return false;
  }
  std::string& tree() { return entries.back().tree; }
  // A comma before the next member or element of the tree, unless it is the
  // first one or follows its key.
  void Separate() {
    if (!fresh_) tree() += ',';
    fresh_ = false;
  }
  bool Scalar(const Json& value, const std::string& text) {
    if (depth_ == 2) {
      if (key_ == "tree") return Fail("\"tree\" must be an object");
      entries.back().fields[key_] = value;
      return true;
    }
    if (depth_ < 2) return Fail(depth_ == 0 ? "a patch is a JSON array, as diff --json prints it"
                                            : "an entry must be an object");
    if (!inTree_) return true;
    Separate();
    tree() += text;
    return true;
  }
  bool Open(char bracket, Json empty) {
    if (depth_ == 0 && bracket != '[') return Fail("a patch is a JSON array, as diff --json prints it");
    if (depth_ == 1) {
      if (bracket != '{') return Fail("an entry must be an object");
      entries.emplace_back();
    } else if (depth_ == 2) {
      // Only "tree" is kept; any other key fails as the entry is read.
      if (key_ == "tree") entries.back().tree.clear();
      entries.back().fields[key_] = std::move(empty);
      inTree_ = key_ == "tree";
      fresh_ = true;
    }
    if (depth_ >= 2 && inTree_) {
      if (depth_ > 2) Separate();
      tree() += bracket;
      fresh_ = true;
    }
    ++depth_;
    return true;
  }
  bool Close(char bracket) {
    --depth_;
    if (depth_ >= 2 && inTree_) {
      tree() += bracket;
      fresh_ = false;
    }
    if (depth_ == 2) inTree_ = false;
    return true;
  }

  int depth_ = 0;     // the open objects and arrays
  std::string key_;   // the entry's key being read
  bool inTree_ = false;
  bool fresh_ = true;  // nothing written yet at this level of the tree, or a key just before
};

bool ReadEntry(const Json& object, const std::string& treeText, PatchEntry* entry, std::string* error) {
  if (!object.is_object()) {
    *error = "an entry must be an object";
    return false;
  }
  for (auto it = object.begin(); it != object.end(); ++it) {
    static const char* const kKeys[] = {"op", "path", "type", "old", "new", "tree", "index"};
    if (std::find_if(std::begin(kKeys), std::end(kKeys), [&](const char* key) { return it.key() == key; }) ==
        std::end(kKeys)) {
      *error = "unknown key " + Quoted(it.key());
      return false;
    }
  }
  bool isNull = false;
  std::string op, type, oldText, newText;
  if (!ReadText(object, "op", false, &isNull, &op, error)) return false;
  if (op == "-") entry->op = PatchEntry::Op::Remove;
  else if (op == "+") entry->op = PatchEntry::Op::Add;
  else if (op == "~") entry->op = PatchEntry::Op::Change;
  else {
    *error = "\"op\" must be \"-\", \"+\" or \"~\"";
    return false;
  }
  if (!ReadText(object, "path", false, &isNull, &entry->pathText, error)) return false;
  std::string pathError;
  if (!ParseConfigPath(entry->pathText, &entry->path, &pathError)) {
    *error = "bad path " + Quoted(entry->pathText) + ": " + pathError;
    return false;
  }
  const std::string where = " (" + entry->pathText + ")";
  bool noType = false, noOld = false, noNew = false;
  if (!ReadText(object, "type", true, &noType, &type, error) ||
      !ReadText(object, "old", true, &noOld, &oldText, error) ||
      !ReadText(object, "new", true, &noNew, &newText, error)) {
    *error += where;
    return false;
  }
  const bool wantsOld = entry->op != PatchEntry::Op::Add;
  const bool wantsNew = entry->op != PatchEntry::Op::Remove;

  if (noType) {
    // A whole section or record.
    auto tree = object.find("tree");
    if (entry->path.bracketed || entry->op == PatchEntry::Op::Change || tree == object.end() || !noOld || !noNew) {
      *error = "an entry of type null is a section or record removed or added whole, with its \"tree\"" + where;
      return false;
    }
    if (!tree->is_object()) {
      *error = "\"tree\" must be an object" + where;
      return false;
    }
    entry->tree = ReadTree(treeText, error);
    if (!entry->tree) {
      *error += where;
      return false;
    }
    const std::string_view name =
        entry->path.NamesSection() ? std::string_view(entry->path.sections.back()) : entry->path.record;
    if (entry->tree->IsRecord() == entry->path.NamesSection() || !cfg::NamesEqual(entry->tree->NameView(), name)) {
      *error = "\"tree\" is not the item the path names" + where;
      return false;
    }
    return true;
  }

  if (!entry->path.bracketed) {
    *error = "a value's path needs \"[...]\"" + where;
    return false;
  }
  const cfg::ValueType valueType = cfg::TypeOfWord(type);
  if (valueType == cfg::ValueType::None) {
    *error = "unknown type " + Quoted(type) + where;
    return false;
  }
  if (noOld == wantsOld || noNew == wantsNew) {
    *error = std::string("\"") + op + "\" needs " +
             (wantsOld && wantsNew ? "\"old\" and \"new\"" : wantsOld ? "\"old\" and no \"new\"" : "\"new\" and no \"old\"") +
             where;
    return false;
  }
  std::string valueError;
  if (wantsOld && !(entry->before = ParseValueArgument(valueType, oldText, &valueError))) {
    *error = "\"old\": " + valueError + where;
    return false;
  }
  if (wantsNew && !(entry->after = ParseValueArgument(valueType, newText, &valueError))) {
    *error = "\"new\": " + valueError + where;
    return false;
  }
  auto index = object.find("index");
  const bool unnamed = !entry->path.HasValueName();
  if (unnamed != (index != object.end())) {
    *error = std::string(unnamed ? "an unnamed value needs \"index\"" : "a named value has no \"index\"") + where;
    return false;
  }
  if (unnamed) {
    if (!index->is_number_integer() || index->get<long long>() < 0 ||
        index->get<long long>() > std::numeric_limits<int>::max()) {
      *error = "\"index\" must be a whole number from 0" + where;
      return false;
    }
    entry->index = index->get<int>();
  }
  return true;
}

// Turns entry into the one that undoes it.
void Reverse(PatchEntry& entry) {
  if (entry.op == PatchEntry::Op::Remove) entry.op = PatchEntry::Op::Add;
  else if (entry.op == PatchEntry::Op::Add) entry.op = PatchEntry::Op::Remove;
  std::swap(entry.before, entry.after);
}

// What an entry would add, checked before anything is carried out (a whole
// section or record was checked as it was read).
bool CheckAdded(const PatchEntry& entry, std::string* error) {
  if (entry.IsNode() || !entry.after) return true;
  const char* problem = cfg::ValueProblem(entry.path.record, entry.path.value, *entry.after);
  if (problem == nullptr) return true;
  *error = entry.pathText + ": would not read back as it is: " + problem;
  return false;
}

// ---------------------------------------------------------------- applying

// A section or record of list that a save writes, by name; nullptr when none.
cfg::ConfigNode* WrittenNode(const cfg::Section& list, std::string_view name) {
  auto node = static_cast<cfg::ConfigNode*>(list.ItemAt(list.IndexOfName(name)));
  return node != nullptr && !node->IsNull() ? node : nullptr;
}

// The slot of the value the entry names in record; 0 when there is none.
// *unnamedCount receives the number of the record's unnamed values.
int ValueSlot(const cfg::Record& record, const PatchEntry& entry, int* unnamedCount) {
  *unnamedCount = 0;
  if (entry.path.HasValueName()) {
    const int slot = record.IndexOfName(entry.path.value);
    return record.ValueAt(slot)->IsNone() ? 0 : slot;
  }
  int found = 0;
  for (int slot = 1; slot <= record.Count(); ++slot) {
    const cfg::Value* value = record.ValueAt(slot);
    if (value->IsNone() || value->GetName() != nullptr) continue;
    if (*unnamedCount == entry.index) found = slot;
    ++*unnamedCount;
  }
  return found;
}

std::string Described(const cfg::Value& value) {
  return std::string(cfg::TypeWord(value.Type())) + " " + Quoted(cfg::ValueText(value));
}

class Applier {
 public:
  Applier(cfg::Section& document, const PatchConflict& conflict) : document_(document), conflict_(conflict) {}

  // Carries out entry; false after reporting why it does not fit.
  bool Apply(PatchEntry& entry) {
    entry_ = &entry;
    const ConfigPath& path = entry.path;
    const size_t walked = path.NamesSection() ? path.sections.size() - 1 : path.sections.size();
    cfg::Section* section = &document_;
    for (size_t i = 0; i < walked; ++i) {
      cfg::ConfigNode* node = WrittenNode(*section, path.sections[i]);
      if (node == nullptr) return Fail("no section " + Quoted(path.sections[i]));
      if (node->IsRecord()) return Fail(Quoted(path.sections[i]) + " is a record, not a section");
      section = static_cast<cfg::Section*>(node);
    }
    if (entry.IsNode()) return ApplyNode(*section);
    cfg::ConfigNode* node = WrittenNode(*section, path.record);
    if (node == nullptr) return Fail("no record " + Quoted(path.record));
    if (!node->IsRecord()) return Fail(Quoted(path.record) + " is a section, not a record");
    return ApplyValue(*static_cast<cfg::Record*>(node));
  }

 private:
  bool Fail(const std::string& reason) {
    conflict_(entry_->pathText, reason);
    return false;
  }

  bool ApplyNode(cfg::Section& parent) {
    PatchEntry& entry = *entry_;
    const std::string_view name = entry.tree->NameView();
    const char* kind = entry.tree->IsRecord() ? "record " : "section ";
    cfg::ConfigNode* node = WrittenNode(parent, name);
    if (entry.op == PatchEntry::Op::Add) {
      if (node != nullptr || parent.IndexOfName(name) != 0)
        return Fail(Quoted(name) + " is there already");
      std::unique_ptr<cfg::NamedObject> item(entry.tree.release());
      if (!AddAtPlace(parent, item, parent.Count() + 1)) return Fail("can not add " + Quoted(name));
      return true;
    }
    if (node == nullptr || node->IsRecord() != entry.tree->IsRecord()) return Fail(std::string("no ") + kind + Quoted(name));
    if (!cfg::SameNode(*node, *entry.tree)) return Fail(std::string(kind) + "is not as the patch's tree holds it");
    parent.Remove(node);
    return true;
  }

  bool ApplyValue(cfg::Record& record) {
    PatchEntry& entry = *entry_;
    int unnamedCount = 0;
    const int slot = ValueSlot(record, entry, &unnamedCount);
    const bool named = entry.path.HasValueName();
    if (entry.op == PatchEntry::Op::Add) {
      // A named value's path is free when the name is; an unnamed value's
      // index when it is at most one past the last.
      if (named && slot != 0) return Fail("the value is there already: " + Described(*record.ValueAt(slot)));
      if (!named && entry.index > unnamedCount)
        return Fail("index " + std::to_string(entry.index) + " is past the record's " + std::to_string(unnamedCount) +
                    " unnamed values");
      // An unnamed value goes before the one now at its index.
      int at = record.Count() + 1;
      if (!named && entry.index < unnamedCount) {
        PatchEntry probe;
        probe.index = entry.index;
        at = ValueSlot(record, probe, &unnamedCount);
      }
      return Put(record, at);
    }
    if (slot == 0) {
      if (named) return Fail("no value " + Quoted(entry.path.value) + " in record " + Quoted(entry.path.record));
      return Fail("no unnamed value at index " + std::to_string(entry.index) + " (the record has " +
                  std::to_string(unnamedCount) + ")");
    }
    const cfg::Value& found = *record.ValueAt(slot);
    if (!cfg::SameValue(found, *entry.before))
      return Fail("holds " + Described(found) + ", not " + Described(*entry.before));
    if (entry.op == PatchEntry::Op::Remove) {
      record.RemoveAt(slot);
      return true;
    }
    // A changed value keeps its place and the spelling of its name.
    entry.after->SetName(found.GetName());
    record.RemoveAt(slot);
    return Put(record, slot);
  }

  bool Put(cfg::Record& record, int at) {
    PatchEntry& entry = *entry_;
    if (entry.op == PatchEntry::Op::Add && entry.path.HasValueName()) entry.after->SetName(entry.path.value);
    std::unique_ptr<cfg::NamedObject> item(entry.after.release());
    if (!AddAtPlace(record, item, at)) return Fail("can not add the value");
    return true;
  }

  cfg::Section& document_;
  const PatchConflict& conflict_;
  PatchEntry* entry_ = nullptr;
};

}  // namespace

bool ReadPatch(std::string_view json, bool reverse, std::vector<PatchEntry>* entries, std::string* error) {
  PatchReader reader;
  if (!Json::sax_parse(json.begin(), json.end(), &reader)) {
    *error = reader.error.empty() ? "not valid JSON" : reader.error;
    return false;
  }
  entries->clear();
  entries->resize(reader.entries.size());
  for (size_t i = 0; i < reader.entries.size(); ++i) {
    if (!ReadEntry(reader.entries[i].fields, reader.entries[i].tree, &(*entries)[i], error)) {
      *error = "entry " + std::to_string(i + 1) + ": " + *error;
      return false;
    }
  }
  if (reverse) {
    std::reverse(entries->begin(), entries->end());
    for (PatchEntry& entry : *entries) Reverse(entry);
  }
  for (const PatchEntry& entry : *entries) {
    if (!CheckAdded(entry, error)) return false;
  }
  return true;
}

size_t ApplyPatch(cfg::Section& document, std::vector<PatchEntry>& entries, const PatchConflict& conflict) {
  Applier applier(document, conflict);
  size_t conflicts = 0;
  for (PatchEntry& entry : entries) {
    if (!applier.Apply(entry)) ++conflicts;
  }
  return conflicts;
}

bool AddAtPlace(cfg::NamedList& list, std::unique_ptr<cfg::NamedObject>& item, int at) {
  cfg::NamedObject* added = item.get();
  const int slot = list.Add(item);
  if (slot == 0) return false;
  if (slot == at) return true;
  // Add took the lowest empty slot, or at is taken: place it by rebuilding
  // the list in order.
  size_t before = 0;
  for (int i = 1; i < at && i <= list.Count(); ++i) {
    const cfg::NamedObject* other = list.ItemAt(i);
    if (other != nullptr && other != added) ++before;
  }
  std::vector<std::unique_ptr<cfg::NamedObject>> items = list.TakeAll();
  auto it = std::find_if(items.begin(), items.end(), [&](const auto& one) { return one.get() == added; });
  std::unique_ptr<cfg::NamedObject> moved = std::move(*it);
  items.erase(it);
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(before), std::move(moved));
  for (std::unique_ptr<cfg::NamedObject>& one : items) list.Add(one);
  return true;
}

}  // namespace cfgtool
