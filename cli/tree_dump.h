// The two printed forms of a document tree: an indented outline for people
// and JSON for other programs. Both walk the tree with an explicit stack, so
// any depth is fine. Past a fixed depth the outline stops indenting and shows
// "#level " before each line instead, and JSON has no more line breaks.
#pragma once

#include <string_view>

#include "config/config_node.h"
#include "text_sink.h"

namespace cfgtool {

// One line per section ("name/"), record ("name") and value ("[name] (type) =
// text", or "(type) = text" for an unnamed value), two blanks per level.
void WriteOutline(const cfg::Section& document, TextSink& sink);

// {"file": file, "children": [...]}: sections as {"section", "children"},
// records as {"record", "values"}, values as {"name", "type", "value"}, all in
// slot order.
void WriteJson(const cfg::Section& document, std::string_view file, TextSink& sink);

// One section or record as WriteJson prints it inside "children", all on
// one line.
void WriteJsonNode(const cfg::ConfigNode& node, TextSink& sink);

}  // namespace cfgtool
