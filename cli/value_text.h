// Value texts on the command line: reading TEXT for a type, and the names and
// texts that survive a save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "config/value.h"
#include "config/value_text.h"

namespace cfgtool {

// The type words and the datum's text are the core's (see config/value_text.h).
using cfg::TypeOfWord;
using cfg::TypeWord;
using cfg::ValueText;

// Reads text with the reader's syntax for the type and makes an unnamed value
// of it. The whole text must be one number of the type (blanks around it
// allowed) that fits the type without saturating; a string must be non-empty
// and hold no line break; bytes are blank-separated byte-line numbers, at
// least one. On failure returns nullptr and describes the fault in *error.
std::unique_ptr<cfg::Value> ParseValueText(cfg::ValueType type, std::string_view text,
                                           std::string* error);

// What a name is used as, for the rules of names that survive a save.
enum class NameUse { Section, Record, ArrayRecord, Value, ArrayValue };

// Why the name would be written but read back differently or not at all, or
// nullptr when it survives.
const char* NameProblem(NameUse use, std::string_view name);

}  // namespace cfgtool
