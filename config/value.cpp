#include "value.h"

#include <cstring>

namespace cfg {
namespace {

char* CopyText(const char* text, size_t length) {
  char* copy = new char[length + 1];
  if (length) std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

}  // namespace

Value::Value() = default;
Value::Value(int32_t number) : type_(ValueType::Int) { data_.i = number; }
Value::Value(float number) : type_(ValueType::Float) { data_.f = number; }
Value::Value(const char* text) : type_(ValueType::String) {
  data_.s = CopyText(text ? text : "", text ? std::strlen(text) : 0);
}
Value::Value(const char* text, size_t length) : type_(ValueType::String) {
  data_.s = CopyText(text ? text : "", text ? length : 0);
}
Value::Value(double number) : type_(ValueType::Double) { data_.d = number; }
Value::Value(int64_t number) : type_(ValueType::Int64) { data_.l = number; }

Value::Value(const uint8_t* bytes, int32_t count) : type_(ValueType::Binary) {
  if (count > 0) {
    size_ = count;
    data_.b = new uint8_t[count];
    if (bytes) {
      std::memcpy(data_.b, bytes, count);
    } else {
      std::memset(data_.b, 0, count);
    }
  }
}

Value::Value(const Value& other) : NamedObject(other), type_(other.type_), size_(other.size_) {
  switch (type_) {
    case ValueType::String:
      data_.s = CopyText(other.data_.s, std::strlen(other.data_.s));
      break;
    case ValueType::Binary:
      if (size_ > 0) {
        data_.b = new uint8_t[size_];
        std::memcpy(data_.b, other.data_.b, size_);
      }
      break;
    case ValueType::None:
      break;
    default:
      data_ = other.data_;
  }
}

Value::~Value() {
  if (type_ == ValueType::String) delete[] data_.s;
  if (type_ == ValueType::Binary) delete[] data_.b;
}

const char* Value::SetString(const char* text) {
  if (type_ != ValueType::String) return nullptr;
  char* copy = CopyText(text ? text : "", text ? std::strlen(text) : 0);
  delete[] data_.s;
  data_.s = copy;
  return data_.s;
}

std::unique_ptr<NamedObject> Value::Clone() const { return std::make_unique<Value>(*this); }

}  // namespace cfg
