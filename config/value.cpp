#include "value.h"

#include <cstring>

#include "byte_scan.h"
#include "small_alloc.h"

namespace cfg {
namespace {

char* CopyText(const char* text, size_t length) {
  char* copy = static_cast<char*>(SmallAllocate(length + 1));
  CopyBytes(copy, text, length);
  copy[length] = '\0';
  return copy;
}

}  // namespace

Value::Value() = default;
Value::Value(int32_t number) : type_(ValueType::Int) { data_.i = number; }
Value::Value(float number) : type_(ValueType::Float) { data_.f = number; }
// A String value keeps its text's length in size_ (which only a Binary value
// shows), so that the text can be given back to the allocator.
Value::Value(const char* text) : Value(text, text ? std::strlen(text) : 0) {}
Value::Value(const char* text, size_t length) : type_(ValueType::String) {
  if (text == nullptr) length = 0;
  size_ = static_cast<int32_t>(length);
  data_.s = CopyText(text ? text : "", length);
}
Value::Value(double number) : type_(ValueType::Double) { data_.d = number; }
Value::Value(int64_t number) : type_(ValueType::Int64) { data_.l = number; }

Value::Value(const uint8_t* bytes, int32_t count) : type_(ValueType::Binary) {
  if (count > 0) {
    size_ = count;
    data_.b = static_cast<uint8_t*>(SmallAllocate(static_cast<size_t>(count)));
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
      data_.s = CopyText(other.data_.s, static_cast<size_t>(size_));
      break;
    case ValueType::Binary:
      if (size_ > 0) {
        data_.b = static_cast<uint8_t*>(SmallAllocate(static_cast<size_t>(size_)));
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
  if (type_ == ValueType::String || (type_ == ValueType::Binary && size_ > 0)) {
    SmallFree(type_ == ValueType::String ? static_cast<void*>(data_.s) : data_.b,
              static_cast<size_t>(size_) + (type_ == ValueType::String ? 1 : 0));
  }
}

const char* Value::SetString(const char* text) {
  if (type_ != ValueType::String) return nullptr;
  const size_t length = text ? std::strlen(text) : 0;
  char* copy = CopyText(text ? text : "", length);
  SmallFree(data_.s, static_cast<size_t>(size_) + 1);
  data_.s = copy;
  size_ = static_cast<int32_t>(length);
  return data_.s;
}

std::unique_ptr<NamedObject> Value::Clone() const { return std::make_unique<Value>(*this); }

}  // namespace cfg
