// Value texts on the command line: printing a value as a value line holds it,
// and reading TEXT for a type as the reader would.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "config/value.h"

namespace cfgtool {

// The type words of the command line and of the JSON form.
// "int", "float", "string", "double", "int64", "bytes"; nullptr for None.
const char* TypeWord(cfg::ValueType type);
// The type of a type word (exact, lower case); None when it is none of them.
cfg::ValueType TypeOfWord(std::string_view word);

// The datum as a value line holds it; a byte array as its bytes in "%X" form
// separated by single blanks.
std::string ValueText(const cfg::Value& value);

// Reads text with the reader's syntax for the type and makes an unnamed value
// of it. The whole text must be one number of the type (blanks around it
// allowed) that fits the type without saturating; a string must be non-empty
// and hold no line break; bytes are blank-separated byte-line numbers, at
// least one. On failure returns nullptr and describes the fault in *error.
std::unique_ptr<cfg::Value> ParseValueText(cfg::ValueType type, std::string_view text,
                                           std::string* error);

}  // namespace cfgtool
