// Building a document from the JSON form that WriteJson prints.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/config_node.h"

namespace cfgtool {

// Parses json and adds its sections, records and values to document, in the
// order given, and checks that a save of the document reads back as the
// input. Keys may come in any order. The parse keeps its own stack, so any
// depth is fine. Returns false with one line in *problems for a fault of the
// JSON form (unknown keys, wrong kinds of JSON values, numbers outside their
// type), or with one line per problem, "PATH: reason" in the input's order,
// for what the form holds but a save would not give back: a name that
// NameProblem refuses, a name that two items of one list share (ASCII case
// ignored; a record and a section included), a record without values, and a
// value that ValueProblem refuses. The document may then hold part of the
// input.
bool LoadJson(std::string_view json, cfg::Section& document, std::vector<std::string>* problems);

}  // namespace cfgtool
