// The text of a value as the command line and the views show it: its datum
// written as a value line holds it (its type word is in value_type.h).
#pragma once

#include <string>
#include <string_view>

#include "value.h"

namespace cfg {

// The datum as a value line holds it (the writer's number texts); a byte
// array as its bytes in "%X" form separated by single blanks; "" for None.
std::string ValueText(const Value& value);
// The same text as a view: of a string value's own text, or of *scratch,
// which it overwrites. Valid until the value or *scratch changes.
std::string_view ValueText(const Value& value, std::string* scratch);

// Whether some value of the type can have a ValueText that holds part (with
// ASCII letters matching in either case when ignoreCase): false only when
// part has a character that no text of the type holds. A string may hold
// any character; the other texts are written from a small set each, so a
// search for a name-like part can leave them unformatted.
bool ValueTextCanHold(ValueType type, std::string_view part, bool ignoreCase);

}  // namespace cfg
