// The TEXT argument of cfgtool set: reading it for a type as the reader would.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "config/value.h"

namespace cfgtool {

// The TYPE words set takes, for messages: "int, float, ..., int64 or bytes".
std::string TypeWordList();

// Reads text with the reader's syntax for the type and makes an unnamed value
// of it. The whole text must be one number of the type (blanks around it
// allowed) that fits the type without saturating; a string is the text as it
// stands; bytes are blank-separated byte-line numbers. On failure returns
// nullptr and describes the fault in *error. Whether the value survives a
// save is ValueProblem's to say (config/value_rules.h).
std::unique_ptr<cfg::Value> ParseValueArgument(cfg::ValueType type, std::string_view text,
                                           std::string* error);

}  // namespace cfgtool
