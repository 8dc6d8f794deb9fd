#include "value_text.h"

#include "number_text.h"

namespace cfg {

namespace {

// Room for any number text of FormatFloat, FormatDouble and FormatInt64.
constexpr size_t kNumberRoom = 128;
// A byte in "%X" form and the blank before it: at most three characters.
constexpr size_t kByteRoom = 3;

}  // namespace

const char* TypeWord(ValueType type) {
  switch (type) {
    case ValueType::Int: return "int";
    case ValueType::Float: return "float";
    case ValueType::String: return "string";
    case ValueType::Double: return "double";
    case ValueType::Int64: return "int64";
    case ValueType::Binary: return "bytes";
    case ValueType::None: break;
  }
  return nullptr;
}

ValueType TypeOfWord(std::string_view word) {
  for (ValueType type : {ValueType::Int, ValueType::Float, ValueType::String, ValueType::Double,
                         ValueType::Int64, ValueType::Binary}) {
    if (word == TypeWord(type)) return type;
  }
  return ValueType::None;
}

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

std::string ValueText(const Value& value) {
  std::string scratch;
  return std::string(ValueText(value, &scratch));
}

}  // namespace cfg
