// Which values survive a save. A value is written as a line (or, a byte
// array, as a block) that carries its record's name and its own, so whether
// it reads back as it was depends on both names, its type and its datum.
// Every caller that creates or replaces a value - the editor's Value Add and
// Update, cfgtool set and from-json - reads the user's text its own way and
// then asks here, and nothing else judges the parsed value.
#pragma once

#include <string_view>

namespace cfg {

class Value;

// Why a value named name, in a record named record, would be written but read
// back differently or not at all, as a phrase ("the record name holds
// \"[\"", "the string holds a line break"), or nullptr when a save and a
// reload give it back identically. An empty name is an unnamed value, and an
// empty string is kept. The names are judged by NameProblem in their use for
// the value's type: a byte array's names are written in an array block's
// opening line, so a record that holds one has that value's stricter rules
// for its name. Numbers of every type are written so that they read back to
// the same number (NaN as NaN), so only the names decide for them.
const char* ValueProblem(std::string_view record, std::string_view name, const Value& value);

}  // namespace cfg
