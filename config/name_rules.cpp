#include "name_rules.h"

#include <cstdint>
#include <string>

#include <vector>

#include "config_node.h"
#include "config_stream.h"
#include "save_walk.h"
#include "tree_search.h"

namespace cfg {

namespace {

// Why a name would not survive a save, each said of "it" and of the two
// names a value line carries.
enum class Fault { LineBreak, Nul, Empty, LeadingBlank, Colon, Semicolon, Open, Close, Equals };
#define CFG_FAULT_PHRASES(rest) {"it " rest, "the record name " rest, "the value name " rest}
constexpr const char* kFaultPhrases[][3] = {
    CFG_FAULT_PHRASES("holds a line break"),
    CFG_FAULT_PHRASES("holds a NUL byte"),
    CFG_FAULT_PHRASES("is empty"),
    CFG_FAULT_PHRASES("begins with a blank"),
    CFG_FAULT_PHRASES("holds \":\""),
    CFG_FAULT_PHRASES("holds \";\""),
    CFG_FAULT_PHRASES("holds \"[\""),
    CFG_FAULT_PHRASES("holds \"]\""),
    CFG_FAULT_PHRASES("holds \"=\""),
};
#undef CFG_FAULT_PHRASES

bool Holds(std::string_view name, char c) { return name.find(c) != std::string_view::npos; }

// The first fault of name in that use; false when it has none.
bool FindFault(NameUse use, std::string_view name, Fault* fault) {
  auto found = [fault](Fault f) {
    *fault = f;
    return true;
  };
  if (name.find_first_of("\r\n") != std::string_view::npos) return found(Fault::LineBreak);
  if (Holds(name, '\0')) return found(Fault::Nul);
  const bool leadingBlank = !name.empty() && (name[0] == ' ' || name[0] == '\t');
  switch (use) {
    case NameUse::Section:
      if (name.empty()) return found(Fault::Empty);
      if (leadingBlank) return found(Fault::LeadingBlank);
      if (Holds(name, ':')) return found(Fault::Colon);
      if (Holds(name, ';')) return found(Fault::Semicolon);
      return false;
    case NameUse::Record:
    case NameUse::ArrayRecord:
      if (name.empty()) return found(Fault::Empty);
      if (Holds(name, '[')) return found(Fault::Open);
      if (Holds(name, '=')) return found(Fault::Equals);
      if (use == NameUse::ArrayRecord) {
        if (leadingBlank) return found(Fault::LeadingBlank);
        if (Holds(name, ':')) return found(Fault::Colon);
        if (Holds(name, ';')) return found(Fault::Semicolon);
      }
      return false;
    case NameUse::Value:
    case NameUse::ArrayValue:
      if (Holds(name, ']')) return found(Fault::Close);
      if (Holds(name, '=')) return found(Fault::Equals);
      if (use == NameUse::ArrayValue) {
        if (Holds(name, ':')) return found(Fault::Colon);
        if (Holds(name, ';')) return found(Fault::Semicolon);
      }
      return false;
  }
  return false;
}

}  // namespace

const char* NameProblem(NameUse use, std::string_view name, NameSubject subject) {
  Fault fault;
  if (!FindFault(use, name, &fault)) return nullptr;
  return kFaultPhrases[static_cast<int>(fault)][static_cast<int>(subject)];
}

namespace {

// Puts name, in the given use, into document between two plain records;
// false when the tree refuses it.
bool PlaceName(Section* document, NameUse use, const std::string& name) {
  static const uint8_t kBytes[] = {0x01, 0xFF};
  document->FindOrCreateRecord("first")->CreateIntValue("v", 1);
  bool placed = false;
  switch (use) {
    case NameUse::Section:
      if (Section* section = document->FindOrCreateSection(name))
        placed = section->FindOrCreateRecord("inner")->CreateIntValue("v", 1) != 0;
      break;
    case NameUse::Record:
    case NameUse::ArrayRecord:
      if (Record* record = document->FindOrCreateRecord(name))
        placed = use == NameUse::Record ? record->CreateIntValue("v", 1) != 0
                                        : record->CreateBinaryValue("v", kBytes, sizeof kBytes) != 0;
      break;
    case NameUse::Value:
    case NameUse::ArrayValue: {
      Record* record = document->FindOrCreateRecord("holder");
      placed = use == NameUse::Value ? record->CreateIntValue(name.c_str(), 1) != 0
                                     : record->CreateBinaryValue(name.c_str(), kBytes, sizeof kBytes) != 0;
      break;
    }
  }
  document->FindOrCreateRecord("last")->CreateIntValue("v", 1);
  return placed;
}

}  // namespace

const char* NameLostBySave(NameUse use, std::string_view name) {
  const char* problem = NameProblem(use, name);
  if (problem == nullptr) return nullptr;
  // The tree's creators take names as C strings: a NUL would cut the name
  // before it reached the writer.
  if (name.find('\0') != std::string_view::npos) return problem;
  Section original(kFileSection, "");
  if (!PlaceName(&original, use, std::string(name))) return problem;
  ConfigStream saved(InMemory{});
  original.SaveSection(saved);
  ConfigStream reading(InMemory{}, saved.Output());
  Section reloaded(kFileSection, "");
  reloaded.LoadSection(reading);
  ConfigStream savedAgain(InMemory{});
  reloaded.SaveSection(savedAgain);
  return savedAgain.Output() == saved.Output() ? nullptr : problem;
}

bool NamesSurviveSave(const Section& root, const std::function<void(const SearchHit& item, const char* problem)>& lost) {
  std::vector<const Section*> sections;
  SearchHit item{};
  item.sections = &sections;
  auto report = [&](SearchHit::Kind kind, std::string_view name, const char* problem) {
    item.kind = kind;
    item.name = name;
    lost(item, problem);
    return false;
  };
  SaveWalk walk(root);
  SaveWalk::Kind kind;
  const ConfigNode* node;
  while (walk.Next(&kind, &node)) {
    if (kind == SaveWalk::Close) {
      sections.pop_back();
      continue;
    }
    if (kind == SaveWalk::Open) {
      sections.push_back(static_cast<const Section*>(node));
      if (const char* problem = NameLostBySave(NameUse::Section, node->NameView()))
        return report(SearchHit::Kind::Section, node->NameView(), problem);
      continue;
    }
    const auto* record = static_cast<const Record*>(node);
    item.record = record;
    const NameUse use = RecordNameUse(*record);
    if (const char* problem = NameLostBySave(use, record->NameView()))
      return report(SearchHit::Kind::Record, record->NameView(), problem);
    for (int i = 1; i <= record->Count(); ++i) {
      const Value* value = record->ValueAt(i);
      if (value->IsNone() || value->GetName() == nullptr) continue;
      const NameUse valueUse = value->Type() == ValueType::Binary ? NameUse::ArrayValue : NameUse::Value;
      if (const char* problem = NameLostBySave(valueUse, value->NameView())) {
        item.value = value;
        item.valueSlot = i;
        return report(SearchHit::Kind::Value, value->NameView(), problem);
      }
    }
  }
  return true;
}

NameUse RecordNameUse(const Record& record) {
  for (int i = 1; i <= record.Count(); ++i)
    if (record.ValueAt(i)->Type() == ValueType::Binary) return NameUse::ArrayRecord;
  return NameUse::Record;
}

}  // namespace cfg
