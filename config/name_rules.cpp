#include "name_rules.h"

#include "config_node.h"

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

NameUse RecordNameUse(const Record& record) {
  for (int i = 1; i <= record.Count(); ++i)
    if (record.ValueAt(i)->Type() == ValueType::Binary) return NameUse::ArrayRecord;
  return NameUse::Record;
}

}  // namespace cfg
