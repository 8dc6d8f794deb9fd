// Qualified value names, "record[value]": the record's name and the value's.
#pragma once

#include <string_view>

namespace cfg {

// Splits a qualified name in place, as strtok(text, "[") then strtok(NULL, "]")
// do: text is rewritten to hold the record name; the result points into text
// at the value name, or is nullptr when there is none.
char* SplitName(char* text);

// The same split without rewriting: the record name and, when present, the
// value name (hasValueName false when there is none).
struct QualifiedName {
  std::string_view record;
  std::string_view value;
  bool hasValueName = false;
};
QualifiedName SplitQualifiedName(std::string_view text);

}  // namespace cfg
