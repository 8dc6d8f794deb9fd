// The types of values and their names: the one table that every reader and
// writer of a type's name asks.
//
// Each type has two names:
// - its keyword, which a value line carries between "(" and ")". The reader
//   ignores ASCII case in it ("(INT)" is an int line); the writer spells it in
//   small letters. A byte array is written as an array block, so it has none.
// - its word, which cfgtool takes as TYPE and prints beside a value, and which
//   the JSON form holds as "type": the keyword in small letters, and "bytes"
//   for a byte array. Words are exact: "INT" is no word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cfg {

// The types of values. The codes are kept by callers (the editor's type
// selector keeps them as item data), so they never change.
enum class ValueType : int32_t {
  None = 0,
  Binary = 5,  // a byte array, written as an array block
  Int = 6,
  Float = 7,
  String = 8,
  Double = 9,
  Int64 = 10,
};

struct ValueTypeNames {
  ValueType type;
  std::string_view keyword;  // as the writer spells it; empty when the type has no value line
  std::string_view word;
};
// Every type but None, in the order cfgtool lists them.
inline constexpr ValueTypeNames kValueTypes[] = {
    {ValueType::Int, "int", "int"},
    {ValueType::Float, "float", "float"},
    {ValueType::String, "string", "string"},
    {ValueType::Double, "double", "double"},
    {ValueType::Int64, "int64", "int64"},
    {ValueType::Binary, "", "bytes"},
};

// The keyword of a type, as the writer spells it; empty for None and Binary.
constexpr std::string_view TypeKeyword(ValueType type) {
  for (const ValueTypeNames& names : kValueTypes) {
    if (names.type == type) return names.keyword;
  }
  return {};
}
// The grammar looks a keyword up ignoring ASCII case (LookupTypeKeyword in
// line_grammar.h).

// The word of a type ("int" ... "bytes"); nullptr for None.
constexpr const char* TypeWord(ValueType type) {
  // The words are literals, so their views end in a NUL byte.
  for (const ValueTypeNames& names : kValueTypes) {
    if (names.type == type) return names.word.data();
  }
  return nullptr;
}
// The type of a word, exactly as spelt; None when it is none of them.
constexpr ValueType TypeOfWord(std::string_view word) {
  for (const ValueTypeNames& names : kValueTypes) {
    if (names.word == word) return names.type;
  }
  return ValueType::None;
}

// The datum of a number type: i for Int, f for Float, d for Double, l for
// Int64.
union NumberDatum {
  int32_t i;
  float f;
  double d;
  int64_t l;
};

}  // namespace cfg
