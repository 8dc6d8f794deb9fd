#include "name_rules.h"

#include <cstdint>
#include <string>

#include "config_node.h"
#include "config_stream.h"

namespace cfg {

const char* NameProblem(NameUse use, std::string_view name) {
  if (name.find_first_of("\r\n") != std::string_view::npos) return "it holds a line break";
  if (name.find('\0') != std::string_view::npos) return "it holds a NUL byte";
  bool leadingBlank = !name.empty() && (name[0] == ' ' || name[0] == '\t');
  switch (use) {
    case NameUse::Section:
      if (name.empty()) return "it is empty";
      if (leadingBlank) return "it begins with a blank";
      if (name.find(':') != std::string_view::npos) return "it holds \":\"";
      if (name.find(';') != std::string_view::npos) return "it holds \";\"";
      return nullptr;
    case NameUse::Record:
    case NameUse::ArrayRecord:
      if (name.empty()) return "it is empty";
      if (name.find('[') != std::string_view::npos) return "it holds \"[\"";
      if (name.find('=') != std::string_view::npos) return "it holds \"=\"";
      if (use == NameUse::ArrayRecord) {
        if (leadingBlank) return "it begins with a blank";
        if (name.find(':') != std::string_view::npos) return "it holds \":\"";
        if (name.find(';') != std::string_view::npos) return "it holds \";\"";
      }
      return nullptr;
    case NameUse::Value:
    case NameUse::ArrayValue:
      if (name.find(']') != std::string_view::npos) return "it holds \"]\"";
      if (name.find('=') != std::string_view::npos) return "it holds \"=\"";
      if (use == NameUse::ArrayValue) {
        if (name.find(':') != std::string_view::npos) return "it holds \":\"";
        if (name.find(';') != std::string_view::npos) return "it holds \";\"";
      }
      return nullptr;
  }
  return nullptr;
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

NameUse RecordNameUse(const Record& record) {
  for (int i = 1; i <= record.Count(); ++i)
    if (record.ValueAt(i)->Type() == ValueType::Binary) return NameUse::ArrayRecord;
  return NameUse::Record;
}

}  // namespace cfg
