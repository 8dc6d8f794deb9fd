// Building a document from the JSON form that WriteJson prints.
#pragma once

#include <string>
#include <string_view>

#include "config/config_node.h"

namespace cfgtool {

// Parses json and adds its sections, records and values to document, in the
// order given. Keys may come in any order; unknown keys, wrong kinds of JSON
// values, names taken twice in one list, and texts with line breaks are
// faults. The parse keeps its own stack, so any depth is fine. On a fault
// returns false with a one-line description in *error; the document may then
// hold part of the input.
bool LoadJson(std::string_view json, cfg::Section& document, std::string* error);

}  // namespace cfgtool
