// Filling a tree in tests: a value added under its qualified name
// "record[value]", its record found or created in the section.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "config/config_node.h"
#include "config/line_grammar.h"
#include "config/value.h"

namespace cfgtest {

// Adds a value of datum (anything a Value is made of) as qualifiedName in
// the section that section points to (a pointer or a smart pointer): the
// value's slot in its record, or 0 when the record name belongs to a section
// or the value name is taken.
template <class SectionPointer, class... Datum>
int AddValue(const SectionPointer& section, std::string_view qualifiedName, Datum... datum) {
  const cfg::QualifiedName name = cfg::SplitQualifiedName(qualifiedName);
  cfg::Record* record = section->FindOrCreateRecord(name.record);
  if (record == nullptr) return 0;
  auto value = std::make_unique<cfg::Value>(datum...);
  if (name.hasValueName) value->SetName(name.value);
  return record->AddChild(value);
}

}  // namespace cfgtest
