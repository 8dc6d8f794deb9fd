#include "value_rules.h"

#include "name_rules.h"
#include "value.h"

namespace cfg {

const char* ValueProblem(std::string_view record, std::string_view name, const Value& value) {
  const bool array = value.Type() == ValueType::Binary;
  if (const char* problem =
          NameProblem(array ? NameUse::ArrayRecord : NameUse::Record, record, NameSubject::RecordName))
    return problem;
  if (const char* problem =
          NameProblem(array ? NameUse::ArrayValue : NameUse::Value, name, NameSubject::ValueName))
    return problem;
  switch (value.Type()) {
    case ValueType::None:
      return "the value has no type";
    case ValueType::String: {
      // The text runs to the line's end or to a carriage return; a NUL byte
      // ends the line's text.
      const std::string_view text(value.GetString(), value.StringLength());
      if (text.find_first_of("\r\n") != std::string_view::npos) return "the string holds a line break";
      if (text.find('\0') != std::string_view::npos) return "the string holds a NUL byte";
      return nullptr;
    }
    case ValueType::Binary:
      // An array block without byte lines reads back as nothing.
      if (value.GetSize() == 0) return "the byte array is empty";
      return nullptr;
    case ValueType::Int:
    case ValueType::Float:
    case ValueType::Double:
    case ValueType::Int64:
      return nullptr;
  }
  return nullptr;
}

}  // namespace cfg
