#include "value_text.h"

#include "number_text.h"

namespace cfg {

namespace {

// Room for any number text of FormatFloat, FormatDouble and FormatInt64.
constexpr size_t kNumberRoom = 128;
// A byte in "%X" form and the blank before it: at most three characters.
constexpr size_t kByteRoom = 3;

// Every character that a text of each type can hold, as ValueText below and
// the writers of number_text.cpp make them:
// - FormatInt64: a sign and decimal digits;
// - FormatFloat: a sign, digits and the point ("%f" and to_chars fixed),
//   the shortest text of to_chars, which adds "e" and the exponent's sign,
//   and "inf", "-inf", "nan";
// - FormatDouble: a sign, digits, the point, "E" and the exponent's sign
//   (LayoutG, and the shortest text with its "e" written "E"), and "inf",
//   "-inf", "nan";
// - a byte array: upper-case hexadecimal digits and blanks (below).
constexpr std::string_view kIntegerCharacters = "-0123456789";
constexpr std::string_view kFloatCharacters = "+-.0123456789aefin";
constexpr std::string_view kDoubleCharacters = "+-.0123456789Eafin";
constexpr std::string_view kByteCharacters = " 0123456789ABCDEF";

char OtherCase(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

}  // namespace

std::string_view ValueText(const Value& value, std::string* scratch) {
  char buffer[kNumberRoom];
  int length = 0;
  switch (value.Type()) {
    case ValueType::String:
      return std::string_view(value.GetString(), value.StringLength());
    case ValueType::Int: length = FormatInt64(value.GetInt(), buffer); break;
    case ValueType::Int64: length = FormatInt64(value.GetInt64(), buffer); break;
    case ValueType::Float: length = FormatFloat(value.GetFloat(), buffer); break;
    case ValueType::Double: length = FormatDouble(value.GetDouble(), buffer); break;
    case ValueType::Binary: {
      static const char kDigits[] = "0123456789ABCDEF";
      const uint8_t* bytes = value.GetBytes();
      const int32_t count = value.GetSize();
      scratch->resize(static_cast<size_t>(count) * kByteRoom);
      char* out = scratch->data();
      for (int32_t i = 0; i < count; ++i) {
        if (i > 0) *out++ = ' ';
        if (bytes[i] >= 0x10) *out++ = kDigits[bytes[i] >> 4];
        *out++ = kDigits[bytes[i] & 0xF];
      }
      scratch->resize(static_cast<size_t>(out - scratch->data()));
      return *scratch;
    }
    case ValueType::None: break;
  }
  scratch->assign(buffer, static_cast<size_t>(length));
  return *scratch;
}

// A text holding part holds each of its characters (in either case, when
// ignoring it); a text made only of characters of the type's set holds none
// outside the set. So a part with a character that is outside the set, and
// whose other case is outside it too when case is ignored, is in no text of
// the type: the answer false is exact, and true merely leaves the question
// open.
bool ValueTextCanHold(ValueType type, std::string_view part, bool ignoreCase) {
  std::string_view characters;
  switch (type) {
    case ValueType::String: return true;
    case ValueType::Int:
    case ValueType::Int64: characters = kIntegerCharacters; break;
    case ValueType::Float: characters = kFloatCharacters; break;
    case ValueType::Double: characters = kDoubleCharacters; break;
    case ValueType::Binary: characters = kByteCharacters; break;
    case ValueType::None: break;  // the empty text
  }
  for (char c : part) {
    if (characters.find(c) == std::string_view::npos &&
        (!ignoreCase || characters.find(OtherCase(c)) == std::string_view::npos))
      return false;
  }
  return true;
}

std::string ValueText(const Value& value) {
  std::string scratch;
  return std::string(ValueText(value, &scratch));
}

}  // namespace cfg
